#include "collection/notebookwindow.h"

#include "widgets/designgeometry.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
enum Column { WordColumn, PhoneticColumn, MeaningColumn, SentenceColumn, ColumnCount };
} // namespace

NotebookWindow::NotebookWindow(LessonSource source, QString storeFile, QWidget* parent)
    : QWidget(parent, Qt::Window), m_source(std::move(source)), m_notebook(std::move(storeFile)),
      m_table(new QTableWidget(0, ColumnCount, this)), m_status(new QLabel(this)),
      m_play(new QPushButton(u"播放例句"_s, this)), m_remove(new QPushButton(u"删除"_s, this))
{
    setObjectName(u"notebookWindow"_s);
    setWindowTitle(u"生词本"_s);
    setFont(DesignGeometry::chineseFont(9));
    m_player.setVolume(MediaPlayer::lessonVolume);

    m_table->setObjectName(u"notebookTable"_s);
    m_table->setHorizontalHeaderLabels({u"单词"_s, u"音标"_s, u"释义"_s, u"例句"_s});
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setWordWrap(true);
    connect(m_table, &QTableWidget::itemSelectionChanged, this, &NotebookWindow::updateButtons);
    connect(m_table, &QTableWidget::cellDoubleClicked, this, &NotebookWindow::playSelected);

    m_play->setObjectName(u"notebookPlay"_s);
    m_remove->setObjectName(u"notebookRemove"_s);
    auto* exportButton = new QPushButton(u"导出…"_s, this);
    exportButton->setObjectName(u"notebookExport"_s);
    auto* close = new QPushButton(u"关闭"_s, this);
    connect(m_play, &QPushButton::clicked, this, &NotebookWindow::playSelected);
    connect(m_remove, &QPushButton::clicked, this, &NotebookWindow::removeSelected);
    connect(exportButton, &QPushButton::clicked, this, &NotebookWindow::exportRequested);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(&m_player, &MediaPlayer::outputFailed, this,
            [this] { m_status->setText(u"无法播放声音：请检查声音设置。"_s); });

    m_status->setObjectName(u"notebookStatus"_s);
    m_status->setWordWrap(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_play);
    buttons->addWidget(m_remove);
    buttons->addStretch();
    buttons->addWidget(exportButton);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_status);
    layout->addLayout(buttons);
    resize(760, 460);
    refresh();
}

void NotebookWindow::refresh()
{
    QString problem;
    m_words = m_notebook.words(&problem);
    m_table->setRowCount(int(m_words.size()));
    for (int row = 0; row < m_words.size(); ++row) {
        const NotebookWord& word = m_words[row];
        const QString texts[ColumnCount] = {word.headword, word.phonetic, word.meaning,
                                            word.sentence};
        for (int column = 0; column < ColumnCount; ++column) {
            auto* item = new QTableWidgetItem(texts[column]);
            item->setToolTip(texts[column]);
            if (column == PhoneticColumn) {
                QFont ipa = font();
                ipa.setFamilies({u"Doulos SIL"_s, u"Noto Sans"_s});
                item->setFont(ipa);
            }
            m_table->setItem(row, column, item);
        }
    }
    m_table->resizeColumnsToContents();
    m_table->setColumnWidth(MeaningColumn, std::min(m_table->columnWidth(MeaningColumn), 220));
    if (!m_words.isEmpty()) {
        m_table->selectRow(0);
    }
    m_status->setText(!problem.isEmpty() ? problem
                      : m_words.isEmpty()
                          ? u"生词本是空的。查词时（按住鼠标键）按 A 键，就能把单词加进来。"_s
                          : u"共 %1 个单词。双击一行听它所在的句子。"_s.arg(m_words.size()));
    updateButtons();
}

void NotebookWindow::updateButtons()
{
    const bool chosen = m_table->currentRow() >= 0 && !m_table->selectedItems().isEmpty();
    m_play->setEnabled(chosen);
    m_remove->setEnabled(chosen);
}

void NotebookWindow::playSelected()
{
    const int row = m_table->currentRow();
    if (row < 0 || row >= m_words.size()) {
        return;
    }
    const NotebookWord& word = m_words[row];
    const QList<ExportWord> found = m_source.words({word});
    const ExportSentence& sentence = found.first().sentence;
    if (sentence.recording.isEmpty() || sentence.start < 0) {
        m_status->setText(u"这个句子没有录音，或已不在它的课文里。"_s);
        return;
    }
    m_player.controls().stop();
    if (m_player.url() != sentence.recording) {
        m_player.setUrl(sentence.recording);
    }
    if (!m_player.hasMedia()) {
        m_status->setText(u"录音无法播放。"_s);
        return;
    }
    m_player.setEndPosition(sentence.end);
    m_player.controls().setCurrentPosition(sentence.start);
    m_player.controls().play();
    m_status->setText(u"正在播放：%1"_s.arg(sentence.english));
}

void NotebookWindow::removeSelected()
{
    const int row = m_table->currentRow();
    if (row < 0 || row >= m_words.size()) {
        return;
    }
    QString error;
    if (!m_notebook.remove(m_words[row].headword, &error)) {
        m_status->setText(error);
        return;
    }
    refresh();
}
