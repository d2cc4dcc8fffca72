#include "widgets/sitepages.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>

namespace SitePages {

namespace {

std::function<void(const QUrl&)>& opener()
{
    static std::function<void(const QUrl&)> handler;
    return handler;
}

// A build tree and an installed program both keep the site in share/orlune/site beside bin/.
QString siteRoot()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/../share/orlune/site"));
}

} // namespace

QUrl homePage()
{
    return QUrl::fromLocalFile(siteRoot() + QStringLiteral("/index.html"));
}

QUrl helpPage()
{
    return QUrl::fromLocalFile(siteRoot() + QStringLiteral("/03/tavrel/help.htm"));
}

void open(const QUrl& page)
{
    if (opener()) {
        opener()(page);
    } else {
        QDesktopServices::openUrl(page);
    }
}

void setOpener(std::function<void(const QUrl&)> handler)
{
    opener() = std::move(handler);
}

} // namespace SitePages
