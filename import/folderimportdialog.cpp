#include "import/folderimportdialog.h"

#include "import/dialogbutton.h"
#include "lessons/lessoncatalog.h"
#include "widgets/designgeometry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// The files left out, as one line for the learner (the whole list in its tooltip).
QString skippedLine(const QStringList& skipped)
{
    constexpr int shown = 3;
    QString line =
        u"已跳过 %1 个文件：%2"_s.arg(skipped.size()).arg(skipped.mid(0, shown).join(u' '));
    return skipped.size() > shown ? line + u" …"_s : line;
}

} // namespace

FolderImportDialog::FolderImportDialog(const FolderImport::Sources& sources, int book,
                                       QWidget* parent)
    : QDialog(parent), m_sources(sources), m_model(this)
{
    setObjectName(u"folderImportDialog"_s);
    setWindowTitle(u"导入整册"_s);
    setFont(DesignGeometry::chineseFont(10));
    installDefaultPrompts();
    buildLayout();
    m_bookBox->setCurrentIndex(std::clamp(book, 1, LessonCatalog::bookCount) - 1);

    connect(&m_run, &FolderImportRun::itemStarted, &m_model, &FolderReviewModel::setRunning);
    connect(&m_run, &FolderImportRun::itemFinished, this, &FolderImportDialog::itemFinished);
    connect(&m_run, &FolderImportRun::progressChanged, this,
            [this](double done) { m_progress->setValue(int(done * 1000)); });
    connect(&m_run, &FolderImportRun::finished, this, &FolderImportDialog::runFinished);
    setBusy(false);
    showStatus(u"选择一册课程的文件夹：录音和课文按文件名里的课号配对（例如 Lesson 012.mp3 和 "
               u"Lesson 012.lrc），先列在上表里核对，再点「开始导入」。"_s);
}

void FolderImportDialog::done(int result)
{
    // What is stored stays stored; the lessons not reached keep what they hold.
    m_run.cancel();
    QDialog::done(result);
}

void FolderImportDialog::installDefaultPrompts()
{
    m_prompts.chooseFolder = [this] {
        return QFileDialog::getExistingDirectory(this, u"选择一册课程的文件夹"_s,
                                                 m_folder.isEmpty() ? QDir::homePath() : m_folder);
    };
    m_prompts.replace = [this](const QString& question) {
        QMessageBox box(QMessageBox::Question, u"导入整册"_s, question, QMessageBox::NoButton,
                        this);
        QPushButton* replace = box.addButton(u"全部替换"_s, QMessageBox::YesRole);
        QPushButton* skip = box.addButton(u"跳过这些课"_s, QMessageBox::NoRole);
        QPushButton* cancel = box.addButton(u"取消"_s, QMessageBox::RejectRole);
        box.setDefaultButton(skip);
        box.setEscapeButton(cancel);
        box.exec();
        return box.clickedButton() == replace ? ReplaceAnswer::Replace
               : box.clickedButton() == skip  ? ReplaceAnswer::Skip
                                              : ReplaceAnswer::Cancel;
    };
}

void FolderImportDialog::buildLayout()
{
    auto* main = new QVBoxLayout(this);
    main->addWidget(buildChoiceRow());
    m_table = new QTableView(this);
    m_table->setObjectName(u"reviewTable"_s);
    m_table->setModel(&m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setAlternatingRowColors(true);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    QHeaderView* header = m_table->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(FolderReviewModel::StatusColumn, QHeaderView::Stretch);
    main->addWidget(m_table, 1);
    m_skipped = new QLabel(this);
    m_skipped->setObjectName(u"skippedFiles"_s);
    m_skipped->setWordWrap(true);
    main->addWidget(m_skipped);
    main->addWidget(buildRunRow());
    m_status = new QLabel(this);
    m_status->setObjectName(u"statusLine"_s);
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    main->addWidget(m_status);
    auto* closeButton = makeDialogButton(u"关闭"_s, u"closeButton"_s, this);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(closeButton);
    main->addLayout(bottom);
    resize(960, 600);
}

QWidget* FolderImportDialog::buildChoiceRow()
{
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    m_bookBox = new QComboBox(row);
    m_bookBox->setObjectName(u"bookBox"_s);
    for (int book = 1; book <= LessonCatalog::bookCount; ++book) {
        m_bookBox->addItem(u"第%1册"_s.arg(book));
    }
    m_folderLine = new QLineEdit(row);
    m_folderLine->setObjectName(u"folderLine"_s);
    m_folderLine->setReadOnly(true);
    m_folderLine->setPlaceholderText(u"一册课程的录音和课文所在的文件夹"_s);
    m_chooseFolder = makeDialogButton(u"选择文件夹…"_s, u"chooseFolder"_s, row);
    layout->addWidget(new QLabel(u"册别："_s, row));
    layout->addWidget(m_bookBox);
    layout->addWidget(new QLabel(u"文件夹："_s, row));
    layout->addWidget(m_folderLine, 1);
    layout->addWidget(m_chooseFolder);
    connect(m_bookBox, &QComboBox::currentIndexChanged, this, &FolderImportDialog::replan);
    connect(m_chooseFolder, &QPushButton::clicked, this, [this] {
        const QString folder = m_prompts.chooseFolder();
        if (!folder.isEmpty()) {
            setFolder(folder);
        }
    });
    return row;
}

QWidget* FolderImportDialog::buildRunRow()
{
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    m_keepTimes = new QCheckBox(u"保持原有时间"_s, row);
    m_keepTimes->setObjectName(u"keepTimesBox"_s);
    m_keepTimes->setToolTip(u"用歌词或字幕文件里的时间，不再把句子的边界移到说话人的停顿处。"_s);
    m_startButton = makeDialogButton(u"开始导入"_s, u"startButton"_s, row);
    m_cancelButton = makeDialogButton(u"取消"_s, u"cancelButton"_s, row);
    m_progress = new QProgressBar(row);
    m_progress->setObjectName(u"progressBar"_s);
    m_progress->setRange(0, 1000);
    m_progress->setValue(0);
    layout->addWidget(m_keepTimes);
    layout->addWidget(m_startButton);
    layout->addWidget(m_cancelButton);
    layout->addWidget(m_progress, 1);
    connect(m_startButton, &QPushButton::clicked, this, &FolderImportDialog::startImport);
    connect(m_cancelButton, &QPushButton::clicked, this, &FolderImportDialog::cancelImport);
    return row;
}

void FolderImportDialog::setFolder(const QString& folder)
{
    m_folder = folder;
    m_folderLine->setText(QDir::toNativeSeparators(folder));
    replan();
}

void FolderImportDialog::setBook(int book)
{
    m_bookBox->setCurrentIndex(std::clamp(book, 1, LessonCatalog::bookCount) - 1);
}

void FolderImportDialog::replan()
{
    if (m_folder.isEmpty() || m_run.isRunning()) {
        return;
    }
    const FolderImport::Plan plan =
        FolderImport::plan(m_sources, m_bookBox->currentIndex() + 1, m_folder);
    m_model.setPlan(plan);
    m_summary.clear();
    m_progress->setValue(0);
    m_skipped->setText(plan.skipped.isEmpty() ? QString() : skippedLine(plan.skipped));
    m_skipped->setToolTip(plan.skipped.join(u'\n'));
    setBusy(false);
    if (!plan.problem.isEmpty()) {
        showStatus(plan.problem, true);
        return;
    }
    const qsizetype held = m_model.heldLessons().size();
    showStatus(
        u"找到 %1 课。%2请核对上表，再点「开始导入」。"_s.arg(m_model.rowCount())
            .arg(held > 0 ? u"其中 %1 课已有课文，导入前会先问你。"_s.arg(held) : QString()));
}

// Asks before any lesson's carried or earlier imported text is replaced, naming each; the
// lessons the learner keeps are refused with the reason. False: the learner cancelled.
bool FolderImportDialog::settleReplacements(FolderImport::Plan* plan)
{
    const QStringList held = m_model.heldLessons();
    if (held.isEmpty()) {
        return true;
    }
    const ReplaceAnswer answer = m_prompts.replace(
        u"下列 %1 课已有课文：\n%2\n\n替换后，随附的课文可以在「导入课文…」里点「删除导入」换回；"
        u"先前导入的课文不再保留。要用文件夹里的课文替换它们吗？"_s.arg(held.size())
            .arg(held.join(u'\n')));
    if (answer == ReplaceAnswer::Cancel) {
        return false;
    }
    for (FolderImport::Item& item : plan->items) {
        if (!item.refusal.isEmpty() || !item.holdsAnything()) {
            continue;
        }
        if (answer == ReplaceAnswer::Replace) {
            item.replace = true;
        } else {
            item.refusal = u"本课已有课文，按你的选择没有替换"_s;
        }
    }
    m_model.setPlan(*plan);
    return true;
}

void FolderImportDialog::startImport()
{
    if (m_run.isRunning() || m_model.rowCount() == 0) {
        return;
    }
    // What the lessons hold may have changed since the folder was read (another copy of the
    // program, the single-lesson import): the question names what they hold now.
    replan();
    FolderImport::Plan plan = m_model.plan();
    if (!plan.problem.isEmpty() || !settleReplacements(&plan)) {
        return;
    }
    m_summary.clear();
    setBusy(true);
    showStatus(u"正在导入 %1 课…可以随时取消，已导入的课会保留。"_s.arg(m_model.rowCount()));
    m_run.start(m_sources, plan, m_keepTimes->isChecked());
}

void FolderImportDialog::cancelImport()
{
    if (m_run.isRunning()) {
        m_run.cancel();
        m_cancelButton->setEnabled(false);
        showStatus(u"正在取消…"_s);
    }
}

void FolderImportDialog::itemFinished(int item, const QList<FolderImport::Outcome>& outcomes)
{
    m_model.setOutcomes(item, outcomes);
    for (const FolderImport::Outcome& outcome : outcomes) {
        if (outcome.status == FolderImport::Outcome::Status::Stored) {
            emit lessonStored(QString::number(m_model.plan().book),
                              LessonCatalog::lessonText(outcome.lesson));
        }
        if (const int row = m_model.rowOf(outcome.lesson); row >= 0) {
            m_table->scrollTo(m_model.index(row, 0));
        }
    }
}

void FolderImportDialog::runFinished(bool cancelled)
{
    if (cancelled) {
        m_model.cancelWaiting();
        // The bar shows how much was done, not how fast the rest was given up.
        int finished = 0;
        for (int row = 0; row < m_model.rowCount(); ++row) {
            finished += m_model.state(row) == FolderReviewModel::State::Cancelled ? 0 : 1;
        }
        m_progress->setValue(m_model.rowCount() > 0 ? 1000 * finished / m_model.rowCount() : 0);
    }
    m_summary = FolderImport::summary(m_model.outcomes());
    // Starting again reads the folder and the lessons afresh: a cancelled run can go on with
    // the lessons it did not reach, and asks before replacing those it stored.
    setBusy(false);
    showStatus(m_summary);
}

void FolderImportDialog::setBusy(bool busy)
{
    m_bookBox->setEnabled(!busy);
    m_chooseFolder->setEnabled(!busy);
    m_keepTimes->setEnabled(!busy);
    m_startButton->setEnabled(!busy && m_model.rowCount() > 0 && m_model.plan().problem.isEmpty());
    m_cancelButton->setEnabled(busy);
}

void FolderImportDialog::showStatus(const QString& text, bool problem)
{
    m_status->setText(text);
    m_status->setStyleSheet(problem ? u"color: #b00020;"_s : QString());
}
