#pragma once

#include <QString>

// Where the study window finds and keeps its files. Without a private folder there is no file
// of ours: the paths in it are then "", never names in the working folder.
struct StudyPaths
{
    QString tempPath;          // the program's private temporary folder, ending in a separator
    QString voiceLibrary;      // the folder holding the lesson recordings
    QString learnerStore = {}; // the learner's own lessons; "" for LearnerStore::defaultFolder()

    QString databaseFile() const;
    QString dictionaryFile() const;
    QString audioFolder() const;    // the copies of opened lessons' recordings
    QString recordingFile() const;  // the learner's own recording
    QString takeFolder() const;     // the takes of shadowing
    QString wordSpeechFile() const; // the word the lookup speaks
};
