#pragma once
// Reading option values out of the game's configuration file (q3config.cfg) into the value
// store, and writing them back as "seta" lines.
//
// Every read first makes a working copy beside the file (its name + "_"): lines trimmed,
// blank lines dropped, each line with its own line end (LF, CR LF or a lone CR). A save
// rewrites the configuration file from that working copy, never from the file itself:
// only the options the player changed since the read, every other line as it was.
//
// The stored values belong to the file last read (its path is stored beside them); a
// read of another file starts from that file's lines and the defaults.
#include "OptionDefs.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace fragdeck::config
{

// Where option values live: application "Fragtune", section "Q3A", key = caption.
QString valueApplication();
QString valueSection();
QString storedValue(const OptionEntry& option); // default: GetDefault of its record
void storeValue(const QString& caption, const QString& value);

QString workingCopyPath(const QString& configPath);

// "seta " + the variable name as the definitions file writes it.
QString variablePrefix(const QString& record);
// True when `line` begins with `prefix` (letters in any case) and the character right
// after it is a space or a tab, so r_mode never claims r_modeFullscreen.
bool lineBelongs(const QString& line, const QString& prefix);
// The value part of a line that belongs to `prefix`: blanks around it, one leading and
// one trailing double quote removed.
QString valueOfLine(const QString& line, const QString& prefix);

// The working copy's content for a configuration file's content.
QByteArray workingCopyOf(const QByteArray& configBytes);
// Writes the working copy of the file at configPath. False (with a message) when the
// file cannot be read, is a folder or holds binary data, or when the copy cannot be
// written; nothing is then changed.
bool MakeWorkingCopy(const QString& configPath, QString* error = nullptr);

// Makes the working copy and stores the value of every option a line of it belongs to:
// its last line, the one the game uses. markFound (the window load) marks those options
// "1". False (with a message) when the file cannot be read; the store is then untouched.
// When the file reads but its folder takes no working copy (read-only, full), the values
// are still stored and `notWritable` says why the copy could not be written; a save there
// cannot succeed.
bool ReadValues(const QString& configPath, QList<OptionEntry>& options, bool markFound,
                QString* error = nullptr, QString* notWritable = nullptr);

// Takes the stored values as the ones read, so that only later edits count as changes.
void rememberValues(QList<OptionEntry>& options);
// The option's stored value differs from the one read (or nothing was read).
bool isChanged(const OptionEntry& option);
bool hasChanges(const QList<OptionEntry>& options);

enum class SaveResult {
    Saved,
    NoConfigFile,  // no configuration file set
    NoWorkingCopy, // the working copy cannot be read
    WriteFailed,   // the file could not be replaced; it is left as it was
};
// The bytes SaveValues would write, marking the options it wrote; false when the
// working copy cannot be read.
bool buildSavedFile(const QString& workingCopyFile, QList<OptionEntry>& options, QByteArray* out,
                    QString* error = nullptr);
// Rewrites the configuration file from its working copy and the changed values,
// atomically, and takes them as read. On anything but Saved the file and the marks are
// left as they were; a folder that is missing or cannot be written is WriteFailed before
// anything else is tried.
SaveResult SaveValues(const QString& configPath, QList<OptionEntry>& options,
                      QString* error = nullptr);

// Stores every option's default.
void ResetValues(const QList<OptionEntry>& options);

} // namespace fragdeck::config
