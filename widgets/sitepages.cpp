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

bool open(const QUrl& page)
{
    if (opener()) {
        opener()(page);
        return true;
    }
    return QDesktopServices::openUrl(page);
}

QString cannotOpenNotice(const QUrl& page)
{
    return QStringLiteral("没有找到可以打开网页的浏览器。这个页面保存在本机：\n%1\n"
                          "安装一个浏览器后，用它打开这个文件即可。")
        .arg(QDir::toNativeSeparators(page.toLocalFile()));
}

void setOpener(std::function<void(const QUrl&)> handler)
{
    opener() = std::move(handler);
}

} // namespace SitePages
