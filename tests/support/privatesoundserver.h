#pragma once

#include <QStringList>
#include <QTemporaryDir>

// A PulseAudio server of the test's own (tools/start-pulse.sh in a runtime folder of its own),
// which the test may stop and start again without disturbing the server other tests share.
// Stopped when destroyed.
class PrivateSoundServer
{
public:
    PrivateSoundServer();
    ~PrivateSoundServer();
    PrivateSoundServer(const PrivateSoundServer&) = delete;
    PrivateSoundServer& operator=(const PrivateSoundServer&) = delete;

    // Starts it (or finds it running); false when it cannot be, as without PulseAudio.
    bool start();
    bool stop();
    // From now on this process and the programs it starts talk to this server only. Call it
    // before anything in the process first connects to a sound server.
    void useInThisProcess() const;

private:
    bool run(const QStringList& arguments);

    QTemporaryDir m_runtime;
    bool m_started = false;
};
