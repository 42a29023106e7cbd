#pragma once
// The network tuner's window: presets, the five values with their ranges, and save.
#include "NetSettings.h"

#include <QDialog>

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

private:
    void applyPreset(int index);
    // Shows the preset the typed values match, or "Manual settings".
    void showMatchingPreset();
    void save();

    QString m_path;
};

} // namespace fragdeck::net
