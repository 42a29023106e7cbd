#pragma once
// The option definitions file (options.dat) and the packed option record.
//
// The record of an option is its text fields joined by "?":
//   variable ? reserved ? TYPE ? number ? value part...
// where the value part ends with the default. Everything the editor needs about an
// option travels in that one text; the accessors below take it apart and never fail.
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace fragdeck::config
{

// Slots 0..1000 of the description table; slot 0 is never filled.
constexpr int DescriptionSlots = 1001;

// One option node of the tree, in the order the definitions file added it.
struct OptionEntry {
    QString folder;  // the folder it hangs under
    QString caption; // tree text and the name of its stored value
    QString key;     // the packed option record
    QString type;    // GetOptionType(key), kept for speed
    QString mark;    // "", "1" (taken from the file at load) or "DONE" (written by a save)
    // The value when the file was last read or saved; a save writes only options whose
    // value differs from it. None before the first read.
    std::optional<QString> readValue;
};

struct OptionSet {
    QStringList folders;         // folder nodes, display order, no repeats
    QList<OptionEntry> options;  // option nodes that found their folder, file order
    QStringList descriptions;    // DescriptionSlots texts
    int recordsRead = 0;         // records in the option section, shown or not
    bool fileRead = false;       // false: the definitions file could not be read
    QString error;               // why, when fileRead is false
    bool folderEndFound = false; // the "---" line was there

    OptionSet();
    // The description for an option number as GetOptionNumber gives it: empty text
    // reads slot 0; a number above the table (or below 0) gives a null QString so the
    // caller leaves its label unchanged.
    QString descriptionFor(const QString& optionNumber) const;
};

// Reads the definitions file at `path`. List files named by "FILE" blocks are read from
// `componentFolder` (the folder of `path` when empty). Never throws; a missing or
// garbled file gives whatever could be read, with fileRead/error telling why.
OptionSet OpenOptions(const QString& path, const QString& componentFolder = QString());

// Record accessors; a folder key (no "?") yields empty text from each.
QString GetVarName(const QString& record);
QString GetOptionType(const QString& record);
QString GetOptionNumber(const QString& record);
QString GetDefault(const QString& record);
// The choices of a "COMBO" record, in display order.
QStringList FillChoices(const QString& record);

} // namespace fragdeck::config
