#include "collection/exportdialog.h"

#include "export/exportrun.h"
#include "export/subtitleexport.h"
#include "lessons/lessoncatalog.h"
#include "lessons/starredsentences.h"
#include "lessons/wordnotebook.h"
#include "widgets/designgeometry.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

struct FormatInfo
{
    QString title;
    QString suffix;
    bool lessonOnly; // times that belong to one lesson's recording
};

// In the order of ExportDialog::Format.
const FormatInfo formats[] = {
    {u"Anki 卡组 (*.apkg)"_s, u"apkg"_s, false},
    {u"文本，制表符分隔 (*.txt)"_s, u"txt"_s, false},
    {u"LRC 歌词，中英对照 (*.lrc)"_s, u"lrc"_s, true},
    {u"SRT 字幕 (*.srt)"_s, u"srt"_s, true},
};

using Work = std::function<DeckExport::Summary(const DeckExport::Progress&)>;

Work sentenceWork(ExportDialog::Format format, const QList<ExportSentence>& sentences,
                  const QString& deckName, const QString& path)
{
    return [=](const DeckExport::Progress& progress) {
        switch (format) {
        case ExportDialog::Text:
            return DeckExport::writeSentenceText(sentences, path);
        case ExportDialog::Lrc:
            return SubtitleExport::writeLrc(sentences, path, progress);
        case ExportDialog::Srt:
            return SubtitleExport::writeSrt(sentences, path, progress);
        default:
            return DeckExport::writeSentenceDeck(sentences, deckName, path, progress);
        }
    };
}

} // namespace

ExportDialog::ExportDialog(LessonSource source, QString storeFile, QWidget* parent)
    : QDialog(parent), m_source(std::move(source)), m_storeFile(std::move(storeFile)),
      m_content(new QButtonGroup(this)), m_book(new QSpinBox(this)), m_lesson(new QSpinBox(this)),
      m_format(new QComboBox(this)), m_target(new QLineEdit(this)), m_summary(new QLabel(this)),
      m_progress(new QProgressBar(this)), m_run(new ExportRun(this))
{
    setObjectName(u"exportDialog"_s);
    setWindowTitle(u"导出"_s);
    setFont(DesignGeometry::chineseFont(9));

    auto* form = new QFormLayout;
    buildContentChoice(form);
    buildFormatAndTarget(form);

    m_summary->setObjectName(u"exportSummary"_s);
    m_summary->setWordWrap(true);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_summary->setMinimumHeight(60);
    m_summary->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_progress->setObjectName(u"exportProgress"_s);
    m_cancel = new QPushButton(u"取消导出"_s, this);
    m_cancel->setObjectName(u"exportCancel"_s);
    connect(m_cancel, &QPushButton::clicked, this, &ExportDialog::cancelExport);
    // Seen only while an export runs.
    m_progressRow = new QWidget(this);
    auto* progressLayout = new QHBoxLayout(m_progressRow);
    progressLayout->setContentsMargins(0, 0, 0, 0);
    progressLayout->addWidget(m_progress, 1);
    progressLayout->addWidget(m_cancel);
    m_progressRow->hide();
    connect(m_run, &ExportRun::progressChanged, this, &ExportDialog::showProgress);
    connect(m_run, &ExportRun::finished, this, &ExportDialog::finished);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_summary, 1);
    layout->addWidget(m_progressRow);
    layout->addWidget(buildButtons());
    resize(520, 300);

    // Not every desktop makes a documents folder: the home folder then.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    m_target->setText(QDir(QFileInfo(documents).isDir() ? documents : QDir::homePath())
                          .filePath(u"orlune.apkg"_s));
}

// Deleting the run cancels it and waits for its thread.
ExportDialog::~ExportDialog() = default;

void ExportDialog::buildContentChoice(QFormLayout* form)
{
    auto* lessonChoice = new QRadioButton(u"一课的句子"_s, this);
    auto* starredChoice = new QRadioButton(u"星标句（难句）"_s, this);
    auto* notebookChoice = new QRadioButton(u"生词本"_s, this);
    lessonChoice->setObjectName(u"exportLesson"_s);
    starredChoice->setObjectName(u"exportStarred"_s);
    notebookChoice->setObjectName(u"exportNotebook"_s);
    m_content->addButton(lessonChoice, Lesson);
    m_content->addButton(starredChoice, Starred);
    m_content->addButton(notebookChoice, Notebook);
    lessonChoice->setChecked(true);

    m_book->setObjectName(u"exportBook"_s);
    m_lesson->setObjectName(u"exportLessonNumber"_s);
    m_book->setRange(1, LessonCatalog::bookCount);
    m_book->setPrefix(u"第"_s);
    m_book->setSuffix(u"册"_s);
    m_lesson->setPrefix(u"Lesson "_s);
    auto lessonRange = [this] {
        m_lesson->setRange(1, LessonCatalog::lessonCounts[m_book->value() - 1]);
    };
    lessonRange();
    connect(m_book, &QSpinBox::valueChanged, this, lessonRange);
    connect(m_content, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked) {
            contentChanged();
        }
    });
    connect(m_lesson, &QSpinBox::valueChanged, this, &ExportDialog::updateName);

    auto* lessonRow = new QHBoxLayout;
    lessonRow->addWidget(lessonChoice);
    lessonRow->addWidget(m_book);
    lessonRow->addWidget(m_lesson);
    lessonRow->addStretch();
    form->addRow(u"导出内容："_s, lessonRow);
    form->addRow(QString(), starredChoice);
    form->addRow(QString(), notebookChoice);
}

void ExportDialog::buildFormatAndTarget(QFormLayout* form)
{
    m_format->setObjectName(u"exportFormat"_s);
    for (const FormatInfo& format : formats) {
        m_format->addItem(format.title);
    }
    connect(m_format, &QComboBox::currentIndexChanged, this, &ExportDialog::updateSuffix);

    m_target->setObjectName(u"exportTarget"_s);
    auto* browseButton = new QPushButton(u"浏览…"_s, this);
    browseButton->setObjectName(u"exportBrowse"_s);
    connect(browseButton, &QPushButton::clicked, this, &ExportDialog::browse);
    auto* targetRow = new QHBoxLayout;
    targetRow->addWidget(m_target, 1);
    targetRow->addWidget(browseButton);
    form->addRow(u"格式："_s, m_format);
    form->addRow(u"保存到："_s, targetRow);
}

QWidget* ExportDialog::buildButtons()
{
    auto* buttons = new QDialogButtonBox(this);
    m_start = buttons->addButton(u"导出"_s, QDialogButtonBox::AcceptRole);
    m_start->setObjectName(u"exportStart"_s);
    QPushButton* close = buttons->addButton(u"关闭"_s, QDialogButtonBox::RejectRole);
    close->setObjectName(u"exportClose"_s);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        startExport([this](const QString& path) {
            return QMessageBox::question(
                       this, u"导出"_s,
                       u"“%1”已经存在。要替换它吗？"_s.arg(QDir::toNativeSeparators(path)),
                       QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
        });
    });
    // Closing mid-run cancels: the file is then not written.
    connect(buttons, &QDialogButtonBox::rejected, this, [this] {
        cancelExport();
        reject();
    });
    return buttons;
}

void ExportDialog::contentChanged()
{
    const bool lesson = m_content->checkedId() == Lesson;
    m_book->setEnabled(lesson);
    m_lesson->setEnabled(lesson);
    // Subtitles carry one recording's times: they are offered for one lesson only.
    if (auto* model = qobject_cast<QStandardItemModel*>(m_format->model())) {
        for (int i = 0; i < int(std::size(formats)); ++i) {
            model->item(i)->setEnabled(lesson || !formats[i].lessonOnly);
        }
    }
    if (!lesson && formats[std::max(0, m_format->currentIndex())].lessonOnly) {
        m_format->setCurrentIndex(AnkiDeck);
    }
    updateName();
}

void ExportDialog::setLesson(int book, int lesson)
{
    if (book >= 1 && book <= LessonCatalog::bookCount) {
        m_book->setValue(book);
        m_lesson->setValue(lesson);
    }
    updateName();
}

void ExportDialog::updateName()
{
    // The name follows what is exported until the learner has written one of their own.
    static const QRegularExpression ours(u"^orlune(-\\d+-\\d+|-难句|-生词本)?$"_s);
    const QFileInfo target(m_target->text());
    if (!ours.match(target.completeBaseName()).hasMatch()) {
        return;
    }
    const QString name = m_content->checkedId() == Starred ? u"orlune-难句"_s
                         : m_content->checkedId() == Notebook
                             ? u"orlune-生词本"_s
                             : u"orlune-%1-%2"_s.arg(m_book->value()).arg(m_lesson->value());
    m_target->setText(target.dir().filePath(name + u'.' + target.suffix()));
    updateSuffix();
}

void ExportDialog::setContent(Content content)
{
    m_content->button(content)->setChecked(true);
}

void ExportDialog::setFormat(Format format)
{
    m_format->setCurrentIndex(format);
}

void ExportDialog::setTarget(const QString& path)
{
    m_target->setText(path);
}

QString ExportDialog::summaryText() const
{
    return m_summary->text();
}

void ExportDialog::updateSuffix()
{
    const QString suffix = formats[std::max(0, m_format->currentIndex())].suffix;
    QFileInfo target(m_target->text());
    if (!m_target->text().isEmpty() && target.suffix() != suffix) {
        m_target->setText(target.dir().filePath(target.completeBaseName() + u'.' + suffix));
    }
}

void ExportDialog::browse()
{
    const int format = std::max(0, m_format->currentIndex());
    // The question whether to replace comes from startExport(), once, whichever way the name
    // came.
    const QString path =
        QFileDialog::getSaveFileName(this, u"导出到"_s, m_target->text(), formats[format].title,
                                     nullptr, QFileDialog::DontConfirmOverwrite);
    if (!path.isEmpty()) {
        m_target->setText(path);
        updateSuffix();
    }
}

QString ExportDialog::deckName() const
{
    switch (m_content->checkedId()) {
    case Starred:
        return u"Orlune::难句"_s;
    case Notebook:
        return u"Orlune::生词本"_s;
    default:
        return u"Orlune::第%1册 Lesson %2"_s.arg(m_book->value()).arg(m_lesson->value());
    }
}

Work ExportDialog::work(const QString& path, QString* problem) const
{
    const auto format = Format(std::max(0, m_format->currentIndex()));
    const QString deck = deckName();
    if (m_content->checkedId() == Notebook) {
        const QList<ExportWord> words = m_source.words(WordNotebook(m_storeFile).words(problem));
        if (problem->isEmpty() && words.isEmpty()) {
            *problem = u"生词本还是空的。"_s;
        }
        if (!problem->isEmpty()) {
            return {};
        }
        return [=](const DeckExport::Progress& progress) {
            return format == Text ? DeckExport::writeWordText(words, path)
                                  : DeckExport::writeWordDeck(words, deck, path, progress);
        };
    }
    QList<ExportSentence> sentences;
    if (m_content->checkedId() == Starred) {
        sentences = m_source.sentences(StarredSentences(m_storeFile).all(problem));
        if (problem->isEmpty() && sentences.isEmpty()) {
            *problem = u"还没有星标句。"_s;
        }
    } else {
        sentences = m_source.sentences(m_book->value(), m_lesson->value());
        if (sentences.isEmpty()) {
            *problem = u"这一课没有句子。"_s;
        }
    }
    return problem->isEmpty() ? sentenceWork(format, sentences, deck, path) : Work();
}

bool ExportDialog::startExport(const std::function<bool(const QString&)>& confirmReplace)
{
    if (m_run->isRunning()) {
        return false;
    }
    const QString path = m_target->text().trimmed();
    if (path.isEmpty()) {
        m_summary->setText(u"请先选择保存的位置。"_s);
        return false;
    }
    if (QFileInfo(path).isDir()) {
        m_summary->setText(u"“%1”是一个文件夹，请给出文件名。"_s.arg(path));
        return false;
    }
    if (QFileInfo::exists(path) && !confirmReplace(path)) {
        m_summary->setText(u"没有导出：文件已存在。"_s);
        return false;
    }
    QString problem;
    Work exportWork = work(path, &problem);
    if (!exportWork) {
        m_summary->setText(u"没有导出。"_s + problem);
        return false;
    }
    m_runningPath = path;
    m_summary->setText(u"正在导出…"_s);
    m_progress->setRange(0, 0);
    m_start->setEnabled(false);
    m_cancel->setEnabled(true);
    m_progressRow->show();
    m_run->start(std::move(exportWork));
    return true;
}

bool ExportDialog::exportNow(const std::function<bool(const QString&)>& confirmReplace)
{
    m_lastWritten = false;
    if (!startExport(confirmReplace)) {
        return false;
    }
    // The dialog may be closed, and deleted, while it waits.
    const QPointer<ExportDialog> alive(this);
    QEventLoop wait;
    connect(this, &ExportDialog::exportFinished, &wait, &QEventLoop::quit);
    connect(this, &QObject::destroyed, &wait, &QEventLoop::quit);
    wait.exec();
    return alive && m_lastWritten;
}

void ExportDialog::cancelExport()
{
    if (m_run->isRunning()) {
        m_run->cancel();
        m_cancel->setEnabled(false);
        m_summary->setText(u"正在取消…"_s);
    }
}

bool ExportDialog::isExporting() const
{
    return m_run->isRunning();
}

void ExportDialog::showProgress(int done, int total)
{
    if (total > 0) {
        m_progress->setRange(0, total);
        m_progress->setValue(done);
        m_progress->setFormat(u"%v / %m"_s);
    }
}

void ExportDialog::finished(const DeckExport::Summary& summary)
{
    m_progressRow->hide();
    m_start->setEnabled(true);
    QString text = summary.text();
    if (summary.written) {
        text += u"\n已保存到 "_s + QDir::toNativeSeparators(m_runningPath);
    }
    m_summary->setText(text);
    m_lastWritten = summary.written;
    emit exportFinished(summary.written);
}
