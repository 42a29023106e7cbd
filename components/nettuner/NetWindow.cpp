#include "NetWindow.h"

#include "core/Settings.h"
#include "gui/ConfigPrompts.h"
#include "gui/DialogButtons.h"
#include "gui/Prompts.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace fragdeck::net
{
namespace
{
const QString Title = QStringLiteral("Dial-up Optimizer");
}

NetWindow::NetWindow(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmnet"));
    setWindowTitle(Title);

    auto* presetLabel = new QLabel(QStringLiteral("Connection:"), this);
    presetcombo = new QComboBox(this);
    presetcombo->setObjectName(QStringLiteral("presetcombo"));
    presetcombo->addItem(QStringLiteral("Manual settings"));
    for (const Preset& p : presets())
        presetcombo->addItem(p.name);
    auto* top = new QHBoxLayout;
    top->addWidget(presetLabel);
    top->addWidget(presetcombo, 1);

    auto* grid = new QGridLayout;
    for (int i = 0; i < VarCount; ++i) {
        const NetVar& v = netVars()[size_t(i)];
        auto* name = new QLabel(QLatin1String(v.name), this);
        QFont bold = name->font();
        bold.setBold(true);
        name->setFont(bold);
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QLatin1String(v.name));
        edit->setMaximumWidth(90);
        edits[size_t(i)] = edit;
        connect(edit, &QLineEdit::textEdited, this, &NetWindow::showMatchingPreset);
        auto* range = new QLabel(QStringLiteral("%1 to %2").arg(v.min).arg(v.max), this);
        auto* help = new QLabel(QLatin1String(v.explanation), this);
        help->setWordWrap(true);
        grid->addWidget(name, i * 2, 0);
        grid->addWidget(edit, i * 2, 1);
        grid->addWidget(range, i * 2, 2);
        grid->addWidget(help, i * 2 + 1, 0, 1, 3);
    }

    auto* savenet = new QPushButton(QStringLiteral("&Save"), this);
    savenet->setObjectName(QStringLiteral("savenet"));
    auto* closenet = new QPushButton(QStringLiteral("Cl&ose"), this);
    closenet->setObjectName(QStringLiteral("closenet"));
    auto* buttons = buttonRow({savenet, closenet});

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(grid);
    layout->addStretch();
    auto* hint = new QLabel(cfg::saveWithGameClosedHint(), this);
    hint->setObjectName(QStringLiteral("hint"));
    hint->setWordWrap(true);
    layout->addWidget(hint);
    layout->addLayout(buttons);
    resize(440, sizeHint().height());

    connect(presetcombo, &QComboBox::activated, this, &NetWindow::applyPreset);
    connect(savenet, &QPushButton::clicked, this, &NetWindow::save);
    connect(closenet, &QPushButton::clicked, this, &QDialog::accept);

    // Values from the config file; the game's defaults for variables it does not hold.
    m_path = GetSetting(QStringLiteral("Fragdeck"), QStringLiteral("Options"),
                        QStringLiteral("ConfigPath"));
    const QMap<QString, QString> now = readValues(loadConfigTelling(
        m_path,
        QStringLiteral("Settings you save now make the file, and the game keeps them when it "
                       "writes its own."),
        Title, this));
    for (int i = 0; i < VarCount; ++i) {
        const NetVar& v = netVars()[size_t(i)];
        edits[size_t(i)]->setText(now.value(QLatin1String(v.name), QString::number(v.fallback)));
    }
    m_saved = shownValues();
    showMatchingPreset();
}

QStringList NetWindow::shownValues() const
{
    QStringList texts;
    for (const QLineEdit* e : edits)
        texts << e->text();
    return texts;
}

void NetWindow::done(int result)
{
    if (shownValues() != m_saved) {
        const Answer a = messageBox(QStringLiteral("Save your changed network settings?"), Title,
                                    Buttons::YesNoCancel, Icon::Question, this);
        if (a == Answer::Cancel || (a == Answer::Yes && !save()))
            return;
    }
    QDialog::done(result);
}

void NetWindow::showMatchingPreset()
{
    Values values{};
    for (int i = 0; i < VarCount; ++i) {
        bool ok = false;
        values[size_t(i)] = edits[size_t(i)]->text().trimmed().toInt(&ok);
        if (!ok) {
            presetcombo->setCurrentIndex(0);
            return;
        }
    }
    presetcombo->setCurrentIndex(presetMatching(values) + 1);
}

void NetWindow::applyPreset(int index)
{
    if (index < 1 || index > presets().size())
        return;
    const Values& values = presets()[index - 1].values;
    for (int i = 0; i < VarCount; ++i)
        edits[size_t(i)]->setText(QString::number(values[size_t(i)]));
}

bool NetWindow::save()
{
    Values values{};
    for (int i = 0; i < VarCount; ++i) {
        const QString problem =
            checkValue(netVars()[size_t(i)], edits[size_t(i)]->text(), &values[size_t(i)]);
        if (!problem.isEmpty()) {
            messageBox(problem, Title, Buttons::Ok, Icon::Warning, this);
            edits[size_t(i)]->setFocus();
            return false;
        }
    }
    QString error;
    if (!saveValues(m_path, values, &error)) {
        messageBox(error, Title, Buttons::Ok, Icon::Error, this);
        return false;
    }
    m_saved = shownValues();
    messageBox(QStringLiteral("Network settings saved."), Title, Buttons::Ok, Icon::Information,
               this);
    return true;
}

} // namespace fragdeck::net
