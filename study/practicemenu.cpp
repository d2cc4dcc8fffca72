#include "study/practicemenu.h"

#include "widgets/designgeometry.h"

#include <QActionGroup>
#include <QLabel>
#include <QMenuBar>
#include <array>

namespace {

QString speedText(double factor)
{
    return QStringLiteral("%1×").arg(factor, 0, 'f', 1);
}

QString repeatText(int times)
{
    return times == PracticeSettings::untilStopped ? QStringLiteral("一直重复")
                                                   : QStringLiteral("%1 次").arg(times);
}

QAction* choice(QMenu* menu, QActionGroup* group, const QString& text, const QString& name)
{
    QAction* item = menu->addAction(text);
    item->setObjectName(name);
    item->setCheckable(true);
    item->setActionGroup(group);
    return item;
}

} // namespace

PracticeMenu::PracticeMenu(QMenuBar* menuBar, const PracticeSettings& settings, QObject* parent)
    : QObject(parent), m_menuBar(menuBar), m_settings(settings)
{
    QMenu* practice = menuBar->addMenu(QStringLiteral("练习(&P)"));
    practice->setObjectName(QStringLiteral("练习"));
    addSpeeds(practice);
    addRepeats(practice);
    addGaps(practice);
    addHideText(practice);
    addShadowing(practice);
}

void PracticeMenu::placeDisplay(QWidget* banner)
{
    // In the banner's free space right of the buttons: no control moves for it.
    m_display = new QLabel(banner);
    m_display->setObjectName(QStringLiteral("practiceDisplay"));
    m_display->setGeometry(DesignGeometry::toPixels(TwipsRect{5040, 300, 2250, 270}));
    m_display->setFont(DesignGeometry::chineseFont(9));
    m_display->setStyleSheet(QStringLiteral("background: transparent; color: #1f3f6e;"));
    m_display->setToolTip(QStringLiteral("在“练习”菜单中调整语速和重复次数"));
    update();
}

void PracticeMenu::addSpeeds(QMenu* practice)
{
    QMenu* speeds = practice->addMenu(QStringLiteral("语速"));
    auto* group = new QActionGroup(speeds);
    for (int tenths = 5; tenths <= 15; ++tenths) {
        connect(
            choice(speeds, group, speedText(tenths / 10.0), QStringLiteral("speed_%1").arg(tenths)),
            &QAction::triggered, this, [this, tenths] { emit speedChosen(tenths / 10.0); });
    }
    speeds->addSeparator();
    const std::array<std::pair<QString, int>, 2> steps{
        {{QStringLiteral("慢一点"), -1}, {QStringLiteral("快一点"), 1}}};
    for (const auto& [text, step] : steps) {
        QAction* item = speeds->addAction(text);
        item->setObjectName(step < 0 ? QStringLiteral("slower") : QStringLiteral("faster"));
        item->setShortcut(step < 0 ? QKeySequence(Qt::CTRL | Qt::Key_Minus)
                                   : QKeySequence(Qt::CTRL | Qt::Key_Equal));
        connect(item, &QAction::triggered, this,
                [this, step = step] { emit speedChosen(m_settings.speed() + step / 10.0); });
    }
}

void PracticeMenu::addRepeats(QMenu* practice)
{
    QMenu* repeats = practice->addMenu(QStringLiteral("重复次数"));
    auto* group = new QActionGroup(repeats);
    for (int times : PracticeSettings::repeatChoices) {
        connect(choice(repeats, group, repeatText(times), QStringLiteral("repeat_%1").arg(times)),
                &QAction::triggered, this, [this, times] { emit repeatsChosen(times); });
    }
}

void PracticeMenu::addGaps(QMenu* practice)
{
    QMenu* gaps = practice->addMenu(QStringLiteral("重复间隔"));
    auto* group = new QActionGroup(gaps);
    connect(choice(gaps, group, QStringLiteral("与句子等长"), QStringLiteral("gap_length")),
            &QAction::triggered, this,
            [this] { emit gapChosen(PracticeSettings::Gap::SentenceLength); });
    connect(choice(gaps, group, QStringLiteral("1 秒"), QStringLiteral("gap_second")),
            &QAction::triggered, this,
            [this] { emit gapChosen(PracticeSettings::Gap::OneSecond); });
}

void PracticeMenu::addShadowing(QMenu* practice)
{
    practice->addSeparator();
    QAction* shadow = practice->addAction(QStringLiteral("跟读"));
    shadow->setObjectName(QStringLiteral("跟读"));
    shadow->setShortcut(QKeySequence(Qt::Key_F7));
    shadow->setToolTip(QStringLiteral("从当前句开始逐句跟读：听一句，跟着说，再听自己的录音；"
                                      "再按一次停止（F7）"));
    connect(shadow, &QAction::triggered, this, &PracticeMenu::shadowingRequested);
    m_holdSentence = practice->addAction(QStringLiteral("只跟读本句"));
    m_holdSentence->setObjectName(QStringLiteral("只跟读本句"));
    m_holdSentence->setCheckable(true);
    m_holdSentence->setToolTip(
        QStringLiteral("跟读时反复练当前这一句（听、跟着说、听自己的录音），直到停止或换句"));
    connect(m_holdSentence, &QAction::toggled, this, &PracticeMenu::holdSentenceChosen);
    QAction* compare = practice->addAction(QStringLiteral("对比"));
    compare->setObjectName(QStringLiteral("对比"));
    compare->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F7));
    compare->setToolTip(QStringLiteral("先听当前句的原声，再听自己的跟读（Shift+F7）"));
    connect(compare, &QAction::triggered, this, &PracticeMenu::compareRequested);
    practice->setToolTipsVisible(true);
}

void PracticeMenu::addHideText(QMenu* practice)
{
    practice->addSeparator();
    m_hideText = practice->addAction(QStringLiteral("隐藏原文"));
    m_hideText->setObjectName(QStringLiteral("隐藏原文"));
    m_hideText->setCheckable(true);
    m_hideText->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    m_hideText->setToolTip(QStringLiteral("只听不看：课文和当前句的英文遮起来，"
                                          "再选一次（Ctrl+H）显示"));
    // Triggered, not toggled: update() ticks it from the settings without asking again.
    connect(m_hideText, &QAction::triggered, this, &PracticeMenu::hideTextChosen);
}

void PracticeMenu::setHoldSentence(bool hold)
{
    m_holdSentence->setChecked(hold);
}

void PracticeMenu::update()
{
    if (m_display) {
        m_display->setText(
            QStringLiteral("语速 %1　重复 %2")
                .arg(speedText(m_settings.speed()), repeatText(m_settings.repeats())));
    }
    const auto check = [this](const QString& name) {
        if (auto* item = m_menuBar->findChild<QAction*>(name)) {
            item->setChecked(true);
        }
    };
    check(QStringLiteral("speed_%1").arg(qRound(m_settings.speed() * 10)));
    check(QStringLiteral("repeat_%1").arg(m_settings.repeats()));
    check(m_settings.gap() == PracticeSettings::Gap::OneSecond ? QStringLiteral("gap_second")
                                                               : QStringLiteral("gap_length"));
    m_hideText->setChecked(m_settings.hidesText());
}
