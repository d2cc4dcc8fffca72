// What the import dialog reads: the learner's recording, text, translations and new words,
// and a stored import brought back to be mended.
#include "align/timedtext.h"
#include "audio/soundfile.h"
#include "import/importdialog.h"
#include "lessons/learnerstore.h"
#include "lessons/lessondatabase.h"
#include "lessons/timetext.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>

void ImportDialog::showStoredLesson()
{
    const bool ownWork = !m_model.isEmpty() || !m_textBox->toPlainText().trimmed().isEmpty();
    if (m_run.isRunning() || (ownWork && !m_showingStored)) {
        return;
    }
    if (m_showingStored) {
        m_showingStored = false;
        m_settingText = true;
        m_textBox->clear();
        m_settingText = false;
        m_model.clear();
        m_translations.clear();
        m_words.clear();
        m_recording.clear();
        m_recordingLine->clear();
        m_translationLine->clear();
        m_wordsLine->clear();
        // Its words on mending would now speak of a lesson no longer shown.
        showStatus(startPrompt());
    }
    if (!m_lessonInStore || !m_store) {
        return;
    }
    const LessonDatabase stored(m_store->databasePath());
    const QList<SentenceRow> rows = stored.sentences(bookDigit(), lessonText());
    const QString recording = m_store->recordingPath(bookDigit(), lessonText());
    QFile file(recording);
    SoundFile sound;
    if (rows.isEmpty() || !file.open(QIODevice::ReadOnly) || !sound.openRead(&file) ||
        sound.info().samplerate <= 0) {
        return;
    }
    const double seconds = double(sound.info().frames) / sound.info().samplerate;
    QStringList sentences, translations;
    QList<SentenceAligner::Span> spans;
    for (const SentenceRow& row : rows) {
        sentences << row.sentence;
        translations << row.translation;
        spans.append({TimeText::seconds(row.start),
                      row.end.isEmpty() ? seconds : TimeText::seconds(row.end)});
    }
    m_words.clear();
    for (const WordRow& word : stored.newWords(bookDigit(), lessonText())) {
        m_words.append({word.word, word.meaning});
    }
    m_settingText = true;
    m_textBox->setPlainText(sentences.join(u'\n'));
    m_settingText = false;
    m_splitShown = true;
    m_givenTimes.clear();
    m_keepTimes->hide();
    m_recording = m_alignedRecording = recording;
    m_recordingLine->setText(QStringLiteral("（导入时的录音）"));
    m_recordingLine->setToolTip(QDir::toNativeSeparators(recording));
    const bool hasTranslations = std::any_of(translations.begin(), translations.end(),
                                             [](const QString& t) { return !t.isEmpty(); });
    m_translations = hasTranslations ? translations : QStringList();
    m_translationLine->setText(hasTranslations ? QStringLiteral("（导入时的译文）") : QString());
    m_wordsLine->setText(m_words.isEmpty()
                             ? QString()
                             : QStringLiteral("（导入时的生词 %1 个）").arg(m_words.size()));
    m_alignedSentences = sentences;
    m_model.setSentences(sentences, m_translations, spans, seconds, !rows.last().end.isEmpty());
    m_table->setColumnHidden(AlignedSentenceModel::TranslationColumn, !m_model.hasTranslations());
    m_showingStored = true;
    showStatus(QStringLiteral("这是本课已导入的内容：可以微调时间，选中一句按 F2 修改句子或译文，"
                              "然后点「保存」，不必重新对齐。"));
}

void ImportDialog::setRecordingFile(const QString& path)
{
    m_showingStored = false;
    m_recording = path;
    // The name is what tells recordings apart; the folder is there when pointed at.
    m_recordingLine->setText(QFileInfo(path).fileName());
    m_recordingLine->setToolTip(QDir::toNativeSeparators(path));
    discardResult();
}

void ImportDialog::loadTextFile(const QString& path)
{
    QString text;
    QString error;
    if (!CourseText::readTextFile(path, &text, &error)) {
        showStatus(QStringLiteral("英文课文：%1").arg(error), true);
        return;
    }
    const TimedText::Parsed timed = TimedText::parse(text);
    if (timed.format != TimedText::Format::Plain && timed.lines.isEmpty()) {
        showStatus(QStringLiteral("英文课文：这个%1文件中没有带时间的英文句子。")
                       .arg(TimedText::formatName(timed.format)),
                   true);
        return;
    }
    QStringList sentences;
    QStringList chinese;
    QList<SentenceAligner::Span> given;
    for (const TimedText::Line& line : timed.lines) {
        sentences << line.english;
        chinese << line.chinese;
        given.append({line.start, line.end});
    }
    if (timed.format == TimedText::Format::Plain) {
        sentences = CourseText::splitIntoSentences(text);
    }
    m_settingText = true;
    m_textBox->setPlainText(sentences.join(u'\n'));
    m_settingText = false;
    m_splitShown = true;
    textEdited();
    m_givenTimes = given;
    m_timedFormat =
        timed.format == TimedText::Format::Plain ? QString() : TimedText::formatName(timed.format);
    m_keepTimes->setVisible(!given.isEmpty());
    const bool hasChinese =
        std::any_of(chinese.begin(), chinese.end(), [](const QString& c) { return !c.isEmpty(); });
    if (hasChinese) {
        m_translations = chinese;
        m_translationLine->setText(QStringLiteral("（取自%1）").arg(m_timedFormat));
    }
    if (m_timedFormat.isEmpty()) {
        showStatus(QStringLiteral("已读入 %1 句，每行一句。请核对，需要时直接修改。")
                       .arg(sentences.size()));
        return;
    }
    QString said =
        QStringLiteral("已读入%1：%2 句，带时间").arg(m_timedFormat).arg(sentences.size());
    if (hasChinese) {
        said += QStringLiteral("，中文行作为译文");
    }
    said += QStringLiteral("。点「开始对齐」按这些时间切分。");
    if (!timed.notes.isEmpty()) {
        said += u' ' + timed.notes.join(u' ');
    }
    showStatus(said);
}

void ImportDialog::loadTranslationFile(const QString& path)
{
    QString text;
    QString error;
    if (!CourseText::readTextFile(path, &text, &error)) {
        showStatus(QStringLiteral("中文译文：%1").arg(error), true);
        return;
    }
    m_translations = CourseText::nonEmptyLines(text);
    m_translationLine->setText(
        QStringLiteral("%1（%2 行）").arg(QFileInfo(path).fileName()).arg(m_translations.size()));
    discardResult();
    showStatus(QStringLiteral("已读入译文 %1 行。").arg(m_translations.size()));
}

void ImportDialog::loadWordsFile(const QString& path)
{
    QString text;
    QString error;
    if (!CourseText::readTextFile(path, &text, &error)) {
        showStatus(QStringLiteral("生词表：%1").arg(error), true);
        return;
    }
    m_words = CourseText::parseNewWords(text);
    m_wordsLine->setText(
        QStringLiteral("%1（%2 个）").arg(QFileInfo(path).fileName()).arg(m_words.size()));
    showStatus(QStringLiteral("已读入生词 %1 个。").arg(m_words.size()));
}
