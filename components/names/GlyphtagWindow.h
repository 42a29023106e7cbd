#pragma once
// The name maker's windows: the editor Form1 and the code window Dialog.
#include "GlyphCode.h"

#include <QDialog>

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextCharFormat;
class QTextEdit;
class QToolBar;

namespace fragdeck::names
{

// The code window: the code line, editable, and "Add Glyphtags" to append it to a chosen
// config file.
class CodeDialog : public QDialog
{
    Q_OBJECT
public:
    explicit CodeDialog(QWidget* parent = nullptr);
    void setCode(const QString& line);
    QLineEdit* Text1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* OKButton = nullptr;

private:
    void on_Command1_clicked();
};

class GlyphtagWindow : public QDialog
{
    Q_OBJECT
public:
    explicit GlyphtagWindow(QWidget* parent = nullptr);

    // The characters of the box with their colour and font flag.
    NameDocument nameDocument() const;
    // The code line of the box's name.
    QString BuildNameCode() const;
    // Created on first use, kept while the window lives.
    CodeDialog* codeWindow();

    QTextEdit* rtb = nullptr;
    QLabel* preview = nullptr;
    QToolBar* Toolbar1 = nullptr;

    // The colour the box shows for text without a colour of its own.
    static QRgb defaultColour() { return qRgb(255, 255, 255); }

private:
    void applyToSelection(const QTextCharFormat& format);
    void updatePreview();
    void showCode();
    void addToConfig();
    void setInstructionsShown(bool shown);

    CodeDialog* m_code = nullptr;
};

// Writes a glyphtag line to a config file and reports the outcome to the user.
void exportAndReport(const QString& configPath, const QString& lastLine, QWidget* parent);

} // namespace fragdeck::names
