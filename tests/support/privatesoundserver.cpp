#include "privatesoundserver.h"

#include <QDir>
#include <QProcess>

PrivateSoundServer::PrivateSoundServer()
    : m_runtime(QDir::tempPath() + QStringLiteral("/orlune-own-pulse-XXXXXX"))
{}

PrivateSoundServer::~PrivateSoundServer()
{
    if (m_started)
        stop();
}

bool PrivateSoundServer::run(const QStringList& arguments)
{
    const QString source = qEnvironmentVariable("ORLUNE_SOURCE_DIR");
    if (source.isEmpty() || !m_runtime.isValid())
        return false;
    QProcess script;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ORLUNE_PULSE_DIR"), m_runtime.path());
    script.setProcessEnvironment(env);
    script.start(QStringLiteral("bash"),
                 QStringList{source + QStringLiteral("/tools/start-pulse.sh")} + arguments);
    return script.waitForFinished(10000) && script.exitStatus() == QProcess::NormalExit &&
           script.exitCode() == 0;
}

bool PrivateSoundServer::start()
{
    const bool ok = run({});
    m_started = m_started || ok;
    return ok;
}

bool PrivateSoundServer::stop()
{
    return run({QStringLiteral("--stop")});
}

void PrivateSoundServer::useInThisProcess() const
{
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
    qunsetenv("PULSE_SERVER");
}
