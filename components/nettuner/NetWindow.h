#pragma once
// The network tuner's window: presets, the five values with their ranges, and save.
#include "NetSettings.h"

#include <QDialog>
#include <QStringList>

class QComboBox;
class QLineEdit;

namespace fragdeck::net
{

class NetWindow : public QDialog
{
    Q_OBJECT
public:
    explicit NetWindow(QWidget* parent = nullptr);
    QComboBox* presetcombo = nullptr;
    std::array<QLineEdit*, VarCount> edits{};
    // Closing with unsaved changes asks whether to save them first.
    void done(int result) override;

private:
    void applyPreset(int index);
    // Shows the preset the typed values match, or "Manual settings".
    void showMatchingPreset();
    bool save();
    QStringList shownValues() const;

    QString m_path;
    QStringList m_saved; // the values as loaded or last saved
};

} // namespace fragdeck::net
