#pragma once

#include "align/timedtext.h"
#include "export/deckexport.h"

// One lesson as subtitles for a phone's player: a bilingual LRC (each English line, then its
// Chinese line at the same time) or SRT. Each sentence's times are its clip's: the frames the
// player sends for it, so a line starts and ends where the Anki card's sound does, and the last
// sentence, which plays to the recording's end, ends there. Read back by TimedText::parse, the
// file gives the same times (to the format's centisecond or millisecond) and texts.
namespace SubtitleExport {

// The sentences' lines in their order; a sentence without usable times, or whose times leave
// nothing of its recording, is left out and named in `summary->skipped`. Without a recording the
// stored times stand, and an open end becomes a second after the start.
QList<TimedText::Line> lines(const QList<ExportSentence>& sentences, DeckExport::Summary* summary,
                             const DeckExport::Progress& progress = {});

// Nothing is written, with the reason in the summary, for sentences of more than one lesson
// (their times belong to different recordings) or none.
DeckExport::Summary writeLrc(const QList<ExportSentence>& sentences, const QString& path,
                             const DeckExport::Progress& progress = {});
DeckExport::Summary writeSrt(const QList<ExportSentence>& sentences, const QString& path,
                             const DeckExport::Progress& progress = {});

} // namespace SubtitleExport
