#pragma once

#include <QUrl>
#include <functional>

// The program's web site: its home page and help page, shipped as local pages so they open
// offline in the desktop's browser.
namespace SitePages {

QUrl homePage();
// The help page lies at "/03/tavrel/help.htm" under the site.
QUrl helpPage();

// Opens a page with the desktop's browser. False when no browser could be started: the caller
// then tells the learner where the page lies (cannotOpenNotice()).
bool open(const QUrl& page);
// What the learner reads when open() failed: no browser, and the page's own path.
QString cannotOpenNotice(const QUrl& page);
// Replaces the browser hand-over, for tests; an empty function restores it.
void setOpener(std::function<void(const QUrl&)> opener);

} // namespace SitePages
