#include "GlyphtagWindow.h"

#include "game/GameText.h"

#include "core/Paths.h"
#include "core/Settings.h"
#include "gui/DialogButtons.h"
#include "gui/Outline.h"
#include "gui/Prompts.h"
#include "gui/Twips.h"

#include <QAction>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolBar>
#include <QVBoxLayout>

namespace fragdeck::names
{
namespace
{

constexpr int NarrowTwips = 3315;
constexpr int WideTwips = 7155;
// Mid grey: white, black and the six bright colours all stand out against it.
const QColor BoxBackground(128, 128, 128);

QString configPathSetting()
{
    return GetSetting(QStringLiteral("Fragdeck"), QStringLiteral("Options"),
                      QStringLiteral("ConfigPath"));
}

QIcon swatch(QRgb rgb)
{
    QPixmap pm(14, 14);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QColor(64, 64, 64));
    p.setBrush(QColor(rgb));
    p.drawRect(0, 0, 13, 13);
    return QIcon(pm);
}

// The toolbar pictures, drawn here so they scale and need no files.
QIcon toolbarPicture(const QString& key)
{
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    if (key == u"view") {
        p.setPen(QPen(QColor(30, 30, 30), 1.5));
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(2, 6, 20, 12));
        p.setBrush(QColor(30, 90, 200));
        p.drawEllipse(QRectF(8, 8, 8, 8));
        p.setBrush(Qt::black);
        p.drawEllipse(QRectF(10.5, 10.5, 3, 3));
    } else if (key == u"add") {
        p.setPen(QPen(QColor(60, 60, 60), 1));
        p.setBrush(QColor(250, 250, 240));
        p.drawRect(QRectF(3.5, 2.5, 13, 18));
        p.setPen(QPen(QColor(150, 150, 150), 1));
        for (int y = 6; y <= 16; y += 3)
            p.drawLine(QPointF(6, y), QPointF(14, y));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(20, 150, 40));
        p.drawEllipse(QRectF(11, 11, 12, 12));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(16, 13, 2, 8));
        p.drawRect(QRectF(13, 16, 8, 2));
    } else if (key == u"instruc") {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 90, 200));
        p.drawEllipse(QRectF(2, 2, 20, 20));
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(10.5, 5, 3, 3));
        p.drawRoundedRect(QRectF(10.5, 10, 3, 9), 1, 1);
    } else if (key == u"return") {
        p.setPen(QPen(QColor(120, 30, 20), 1));
        p.setBrush(QColor(210, 60, 40));
        p.drawPath(
            outline({{2, 12}, {11, 4}, {11, 9}, {21, 9}, {21, 15}, {11, 15}, {11, 20}}, true));
    }
    return QIcon(pm);
}

} // namespace

void exportAndReport(const QString& configPath, const QString& lastLine, QWidget* parent)
{
    QString error;
    if (exportGlyphtag(configPath, lastLine, &error))
        messageBox(QStringLiteral("Glyphtags exported."), QStringLiteral("Success"), Buttons::Ok,
                   Icon::Information, parent);
    else
        messageBox(error, QStringLiteral("Error"), Buttons::Ok, Icon::Error, parent);
}

CodeDialog::CodeDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Dialog"));
    setWindowTitle(QStringLiteral("Control code"));
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setMinimumWidth(360);
    Command1 = new QPushButton(QStringLiteral("Add Glyphtags"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setToolTip(QStringLiteral("Add Glyphtags to your config file"));
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);

    auto* buttons = buttonRow({Command1, OKButton});
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Text1);
    layout->addLayout(buttons);

    connect(Command1, &QPushButton::clicked, this, &CodeDialog::on_Command1_clicked);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

void CodeDialog::setCode(const QString& line)
{
    Text1->setText(line);
}

void CodeDialog::on_Command1_clicked()
{
    OpenFileOptions cmd;
    cmd.title = QStringLiteral("Locate q3config.cfg");
    cmd.initialFile = QStringLiteral("q3config.cfg");
    cmd.filter = QStringLiteral("Q3 Config file|q3config.cfg");
    // Start where the known config file lives; the classic folder otherwise.
    const QString known = folderOf(toLocalPath(configPathSetting()));
    cmd.initialFolder =
        !known.isEmpty() && QFileInfo(known).isDir() ? known : QStringLiteral("c:\\q3test");
    cmd.fileMustExist = true;
    const QString file = openFileDialog(cmd, this);
    if (file.isEmpty())
        return;
    exportAndReport(file, Text1->text(), this);
}

GlyphtagWindow::GlyphtagWindow(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Glyphtag Editor"));

    Toolbar1 = new QToolBar(this);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setIconSize(QSize(24, 24));
    auto separator = [this](const char* key) {
        Toolbar1->addSeparator()->setObjectName(QLatin1String(key));
    };
    auto button = [this](const char* key, const char* tip) {
        QAction* a = Toolbar1->addAction(toolbarPicture(QLatin1String(key)), QString());
        a->setObjectName(QLatin1String(key));
        a->setToolTip(QLatin1String(tip));
        return a;
    };
    separator("sep");
    QAction* view = button("view", "View Glyphtag code");
    QAction* add = button("add", "Add Glyphtag to config file");
    QAction* instruc = button("instruc", "View intructions");
    instruc->setCheckable(true);
    separator("sep4");
    QAction* ret = button("return", "Return to Fragdeck");

    // Left: the editor, always visible. Right: the instructions, shown by widening.
    auto* left = new QWidget(this);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(6, 4, 6, 6);
    leftLayout->setSpacing(4);

    auto* label1 = new QLabel(QStringLiteral("Name:"), left);
    label1->setObjectName(QStringLiteral("Label1"));
    rtb = new QTextEdit(left);
    rtb->setObjectName(QStringLiteral("rtb"));
    rtb->setAcceptRichText(true);
    rtb->setLineWrapMode(QTextEdit::NoWrap);
    rtb->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    rtb->setFixedHeight(40);
    QFont boxFont = rtb->font();
    boxFont.setPointSize(14);
    boxFont.setBold(true);
    rtb->setFont(boxFont);
    QPalette pal = rtb->palette();
    pal.setColor(QPalette::Base, BoxBackground);
    pal.setColor(QPalette::Text, QColor(defaultColour()));
    rtb->setPalette(pal);
    rtb->setToolTip(QStringLiteral("Underlined characters use the alternate font"));

    preview = new QLabel(left);
    preview->setObjectName(QStringLiteral("preview"));
    preview->setTextFormat(Qt::RichText);
    preview->setAutoFillBackground(true);
    QPalette previewPal = preview->palette();
    previewPal.setColor(QPalette::Window, BoxBackground);
    preview->setPalette(previewPal);
    preview->setFont(boxFont);
    preview->setMargin(3);
    preview->setToolTip(QStringLiteral("Your name as the game will draw it"));

    auto* frame1 = new QFrame(left);
    frame1->setObjectName(QStringLiteral("Frame1"));
    frame1->setFrameShape(QFrame::StyledPanel);
    auto* colours = new QGridLayout(frame1);
    colours->setContentsMargins(4, 4, 4, 4);
    colours->setSpacing(3);
    int index = 0;
    for (const GlyphColour& c : colourTable()) {
        auto* b = new QPushButton(swatch(c.rgb), QString::fromLatin1(c.caption), frame1);
        b->setObjectName(QLatin1String(c.button));
        b->setFocusPolicy(Qt::NoFocus);
        colours->addWidget(b, index / 2, index % 2);
        ++index;
        const QRgb rgb = c.rgb;
        connect(b, &QPushButton::clicked, this, [this, rgb] {
            QTextCharFormat f;
            f.setForeground(QColor(rgb));
            applyToSelection(f);
        });
    }

    auto* frame2 = new QFrame(left);
    frame2->setObjectName(QStringLiteral("Frame2"));
    frame2->setFrameShape(QFrame::StyledPanel);
    auto* fonts = new QHBoxLayout(frame2);
    fonts->setContentsMargins(4, 4, 4, 4);
    fonts->setSpacing(3);
    for (const auto& [name, caption, gameFont] :
         {std::tuple{"Command19", "Q3 Font", true}, std::tuple{"Command21", "Alt. Font", false}}) {
        auto* b = new QPushButton(QLatin1String(caption), frame2);
        b->setObjectName(QLatin1String(name));
        b->setFocusPolicy(Qt::NoFocus);
        fonts->addWidget(b);
        const bool flag = gameFont;
        connect(b, &QPushButton::clicked, this, [this, flag] {
            QTextCharFormat f;
            f.setFontUnderline(!flag);
            applyToSelection(f);
        });
    }

    auto* frame3 = new QFrame(left);
    frame3->setObjectName(QStringLiteral("Frame3"));
    frame3->setFrameShape(QFrame::StyledPanel);
    auto* showLayout = new QHBoxLayout(frame3);
    showLayout->setContentsMargins(4, 4, 4, 4);
    auto* command9 = new QPushButton(QStringLiteral("&Show code"), frame3);
    command9->setObjectName(QStringLiteral("Command9"));
    showLayout->addWidget(command9);

    leftLayout->addWidget(label1);
    leftLayout->addWidget(rtb);
    leftLayout->addWidget(preview);
    leftLayout->addWidget(frame1);
    leftLayout->addWidget(frame2);
    leftLayout->addWidget(frame3);
    leftLayout->addStretch();

    auto* right = new QWidget(this);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(6, 4, 8, 6);
    auto* label2 = new QLabel(QStringLiteral("Instructions:"), right);
    label2->setObjectName(QStringLiteral("Label2"));
    auto* label3 = new QLabel(
        QStringLiteral("Give in you name. Select the part of the text you want to color and click "
                       "to color you want it to be. Repeat this until you get the desired "
                       "glyphtag. You can do the same thing with your Server name.") +
            QString(54, u' ') +
            QStringLiteral("Click 'Show code' to put the Glyphtags in your q3config.cfg file."),
        right);
    label3->setObjectName(QStringLiteral("Label3"));
    auto* label4 = new QLabel(
        QStringLiteral("When using the Alt. font, you can use 2 different fonts: lowercase and "
                       "uppercase characters have a different font. Use lowercase for the Q1-like "
                       "font or uppercase for the Dos-style font."),
        right);
    label4->setObjectName(QStringLiteral("Label4"));
    for (QLabel* l : {label3, label4}) {
        l->setTextFormat(Qt::PlainText);
        l->setWordWrap(true);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    rightLayout->addWidget(label2);
    rightLayout->addWidget(label3);
    rightLayout->addWidget(label4);
    rightLayout->addStretch();

    // Fixed geometry: the narrow width shows the editor only, the wide one the labels too.
    const int narrow = twipsToPixelsX(NarrowTwips);
    const int wide = twipsToPixelsX(WideTwips);
    const int top = Toolbar1->sizeHint().height();
    const int height = top + std::max(left->sizeHint().height(), 300);
    Toolbar1->setGeometry(0, 0, wide, top);
    left->setGeometry(0, top, narrow, height - top);
    right->setGeometry(narrow, top, wide - narrow, height - top);
    setFixedSize(narrow, height);

    connect(rtb, &QTextEdit::textChanged, this, &GlyphtagWindow::updatePreview);
    connect(command9, &QPushButton::clicked, this, &GlyphtagWindow::showCode);
    connect(view, &QAction::triggered, this, &GlyphtagWindow::showCode);
    connect(add, &QAction::triggered, this, &GlyphtagWindow::addToConfig);
    connect(instruc, &QAction::toggled, this, &GlyphtagWindow::setInstructionsShown);
    connect(ret, &QAction::triggered, this, &QDialog::accept);

    // Load: the name the config sets, else "Player" in white and the game's font; caret at
    // the start.
    QTextCharFormat start;
    start.setForeground(QColor(defaultColour()));
    start.setFontUnderline(false);
    const QList<ColouredRun> runs = configuredName(configPathSetting());
    if (runs.isEmpty()) {
        rtb->setPlainText(QStringLiteral("Player"));
        QTextCursor all(rtb->document());
        all.select(QTextCursor::Document);
        all.mergeCharFormat(start);
    } else {
        QTextCursor at(rtb->document());
        for (const ColouredRun& run : runs) {
            QTextCharFormat f;
            f.setForeground(QColor(gameColour(run.colour)));
            f.setFontUnderline(run.alternate);
            at.insertText(run.text, f);
        }
        start.setForeground(QColor(gameColour(runs.first().colour)));
        start.setFontUnderline(runs.first().alternate);
    }
    QTextCursor caret(rtb->document());
    caret.movePosition(QTextCursor::Start);
    rtb->setTextCursor(caret);
    rtb->mergeCurrentCharFormat(start);
    updatePreview();
}

NameDocument GlyphtagWindow::nameDocument() const
{
    NameDocument doc;
    const QTextDocument* d = rtb->document();
    for (QTextBlock block = d->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat f = fragment.charFormat();
            const QRgb colour = f.hasProperty(QTextFormat::ForegroundBrush)
                                    ? f.foreground().color().rgb()
                                    : defaultColour();
            const bool gameFont = !f.fontUnderline();
            for (QChar ch : fragment.text())
                doc.append({ch, colour, gameFont});
        }
    }
    return doc;
}

QString GlyphtagWindow::BuildNameCode() const
{
    return buildCodeLine(nameDocument());
}

CodeDialog* GlyphtagWindow::codeWindow()
{
    if (!m_code)
        m_code = new CodeDialog(this);
    return m_code;
}

void GlyphtagWindow::applyToSelection(const QTextCharFormat& format)
{
    QTextCursor c = rtb->textCursor();
    int start = c.selectionStart();
    int length = c.selectionEnd() - start;
    // A space just before the selection takes the new look too, so a colour code written
    // before it does not leave the space in the old colour.
    if (start > 0 && rtb->document()->characterAt(start - 1) == u' ') {
        start -= 1;
        length += 1;
    }
    c.setPosition(start);
    c.setPosition(start + length, QTextCursor::KeepAnchor);
    rtb->setTextCursor(c);
    if (length == 0)
        rtb->mergeCurrentCharFormat(format);
    else
        c.mergeCharFormat(format);
    updatePreview();
}

void GlyphtagWindow::updatePreview()
{
    const QString html = colouredHtml(buildNameCode(nameDocument()));
    preview->setText(html.isEmpty() ? QStringLiteral("&nbsp;") : html);
}

void GlyphtagWindow::showCode()
{
    CodeDialog* d = codeWindow();
    d->setCode(BuildNameCode());
    d->exec();
}

void GlyphtagWindow::addToConfig()
{
    const QString line = BuildNameCode();
    exportAndReport(configPathSetting(), line, this);
}

void GlyphtagWindow::setInstructionsShown(bool shown)
{
    setFixedWidth(twipsToPixelsX(shown ? WideTwips : NarrowTwips));
}

} // namespace fragdeck::names
