#include "collection/exportdialog.h"

#include "export/deckexport.h"
#include "lessons/lessoncatalog.h"
#include "lessons/starredsentences.h"
#include "lessons/wordnotebook.h"
#include "widgets/designgeometry.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSpinBox>
#include <QStandardPaths>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

struct FormatInfo
{
    QString title;
    QString suffix;
};

// Later forms (subtitles, say) are added here and in exportNow().
const FormatInfo formats[] = {
    {u"Anki 卡组 (*.apkg)"_s, u"apkg"_s},
    {u"文本，制表符分隔 (*.txt)"_s, u"txt"_s},
};

} // namespace

ExportDialog::ExportDialog(LessonSource source, QString storeFile, QWidget* parent)
    : QDialog(parent), m_source(std::move(source)), m_storeFile(std::move(storeFile)),
      m_content(new QButtonGroup(this)), m_book(new QSpinBox(this)), m_lesson(new QSpinBox(this)),
      m_format(new QComboBox(this)), m_target(new QLineEdit(this)), m_summary(new QLabel(this))
{
    setObjectName(u"exportDialog"_s);
    setWindowTitle(u"导出"_s);
    setFont(DesignGeometry::chineseFont(9));

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

    auto* lessonRow = new QHBoxLayout;
    lessonRow->addWidget(lessonChoice);
    lessonRow->addWidget(m_book);
    lessonRow->addWidget(m_lesson);
    lessonRow->addStretch();
    connect(m_content, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked) {
            m_book->setEnabled(m_content->checkedId() == Lesson);
            m_lesson->setEnabled(m_content->checkedId() == Lesson);
            updateName();
        }
    });
    connect(m_lesson, &QSpinBox::valueChanged, this, &ExportDialog::updateName);

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

    m_summary->setObjectName(u"exportSummary"_s);
    m_summary->setWordWrap(true);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_summary->setMinimumHeight(60);
    m_summary->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* start = buttons->addButton(u"导出"_s, QDialogButtonBox::AcceptRole);
    start->setObjectName(u"exportStart"_s);
    QPushButton* close = buttons->addButton(u"关闭"_s, QDialogButtonBox::RejectRole);
    close->setObjectName(u"exportClose"_s);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        exportNow([this](const QString& path) {
            return QMessageBox::question(
                       this, u"导出"_s,
                       u"“%1”已经存在。要替换它吗？"_s.arg(QDir::toNativeSeparators(path)),
                       QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
        });
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout;
    form->addRow(u"导出内容："_s, lessonRow);
    form->addRow(QString(), starredChoice);
    form->addRow(QString(), notebookChoice);
    form->addRow(u"格式："_s, m_format);
    form->addRow(u"保存到："_s, targetRow);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_summary, 1);
    layout->addWidget(buttons);
    resize(520, 300);

    // Not every desktop makes a documents folder: the home folder then.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    m_target->setText(QDir(QFileInfo(documents).isDir() ? documents : QDir::homePath())
                          .filePath(u"orlune.apkg"_s));
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
    // The question whether to replace comes from exportNow(), once, whichever way the name came.
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

bool ExportDialog::exportNow(const std::function<bool(const QString&)>& confirmReplace)
{
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
    const bool anki = m_format->currentIndex() == AnkiDeck;
    // A lesson's clips take a second or two to cut and encode.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restoreCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    QString problem;
    DeckExport::Summary summary;
    switch (m_content->checkedId()) {
    case Notebook: {
        const QList<ExportWord> words = m_source.words(WordNotebook(m_storeFile).words(&problem));
        if (problem.isEmpty() && words.isEmpty()) {
            problem = u"生词本还是空的。"_s;
        } else if (problem.isEmpty()) {
            summary = anki ? DeckExport::writeWordDeck(words, deckName(), path)
                           : DeckExport::writeWordText(words, path);
        }
        break;
    }
    case Starred: {
        const QList<ExportSentence> sentences =
            m_source.sentences(StarredSentences(m_storeFile).all(&problem));
        if (problem.isEmpty() && sentences.isEmpty()) {
            problem = u"还没有星标句。"_s;
        } else if (problem.isEmpty()) {
            summary = anki ? DeckExport::writeSentenceDeck(sentences, deckName(), path)
                           : DeckExport::writeSentenceText(sentences, path);
        }
        break;
    }
    default: {
        const QList<ExportSentence> sentences =
            m_source.sentences(m_book->value(), m_lesson->value());
        if (sentences.isEmpty()) {
            problem = u"这一课没有句子。"_s;
        } else {
            summary = anki ? DeckExport::writeSentenceDeck(sentences, deckName(), path)
                           : DeckExport::writeSentenceText(sentences, path);
        }
        break;
    }
    }
    if (!problem.isEmpty()) {
        m_summary->setText(u"没有导出。"_s + problem);
        return false;
    }
    QString text = summary.text();
    if (summary.written) {
        text += u"\n已保存到 "_s + QDir::toNativeSeparators(path);
    }
    m_summary->setText(text);
    return summary.written;
}
