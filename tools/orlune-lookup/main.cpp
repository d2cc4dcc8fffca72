// orlune-lookup: looks words up the way the study window does, for course authors who want
// to see which of their words the dictionary knows.
//
//   orlune-lookup [--dictionary PATH] < words.txt
//
// Reads UTF-8 words, one a line, and prints one line per word: the word, the headword, the
// transcription in the phonetic font's codes and the meaning, separated by tabs; the last
// three fields are empty when nothing is found.

#include "lookup/dictionary.h"
#include "lookup/wordlookup.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>
#include <iostream>
#include <string>

using namespace Qt::StringLiterals;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"orlune-lookup"_s);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Reads words (UTF-8, one a line) from standard input and prints, tab-separated, "
        "the word, the headword, the transcription in font codes and the meaning."_s);
    parser.addHelpOption();
    const QCommandLineOption dictionaryOption(u"dictionary"_s, u"The dictionary file."_s, u"path"_s,
                                              QStringLiteral(ORLUNE_DICTIONARY_FILE));
    parser.addOption(dictionaryOption);
    parser.process(app);

    const QString path = parser.value(dictionaryOption);
    QString problem;
    const Dictionary dictionary = Dictionary::fromFile(path, &problem);
    if (dictionary.isEmpty()) {
        std::fprintf(stderr, "orlune-lookup: the dictionary %s %s\n",
                     qPrintable(QFileInfo(path).absoluteFilePath()),
                     problem.isEmpty() ? "holds no entries" : qPrintable(problem));
        return 2;
    }

    std::ios::sync_with_stdio(false);
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const QString word = QString::fromUtf8(line.data(), qsizetype(line.size()));
        const LookupResult result = WordLookup::lookup(dictionary, word);
        const QString out = word + u'\t' + result.headword + u'\t' + result.fontTranscription +
                            u'\t' + result.meaning + u'\n';
        std::cout << out.toUtf8().toStdString();
    }
    std::cout.flush();
    return std::cout ? 0 : 1;
}
