#include "ui/settings/frmNewProfile.h"

#include "settings/ErrorBoundary.h"
#include "settings/NewProfile.h"
#include "settings/RunTimeError.h"
#include "settings/cRegistry.h"
#include "ui/widgets/FormWidgets.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmNewProfile::frmNewProfile(Globals& globals, const Settings& settings, UserInterface& ui,
                             ProfileListHost& host, QWidget* parent)
    : QDialog(parent), m_globals(globals), m_settings(settings), m_ui(ui), m_host(host) {
    setObjectName(QStringLiteral("frmNewProfile"));
    setWindowTitle(QStringLiteral("New Profile"));

    Label1 = Named(new QLabel(QStringLiteral("Name:"), this), QStringLiteral("Label1"));
    txtName = Named(new QLineEdit(this), QStringLiteral("txtName"));
    txtName->setMaxLength(static_cast<int>(kMaxProfileNameLength));
    txtName->setMinimumWidth(220);
    Label1->setBuddy(txtName);
    btnOK = Named(new QPushButton(QStringLiteral("OK"), this), QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = Named(new QPushButton(QStringLiteral("Cancel"), this), QStringLiteral("btnCancel"));

    auto* name = new QHBoxLayout;
    name->addWidget(Label1);
    name->addWidget(txtName, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(name);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(btnOK, &QPushButton::clicked, this, &frmNewProfile::btnOK_Click);
    connect(btnCancel, &QPushButton::clicked, this, &frmNewProfile::btnCancel_Click);
    Guarded(m_ui, "frmNewProfile.Form_Load", [this] { Form_Load(); });
}

void frmNewProfile::Form_Load() {
    m_globals.TrayEnabled = false;
    m_baseProfileNumber = m_host.SelectedProfileIndex() + 1;
}

void frmNewProfile::btnOK_Click() {
    Guarded(m_ui, "frmNewProfile.btnOK_Click", [this] {
        const std::string name = TrimProfileName(S(txtName->text()));
        txtName->setText(Q(name));
        if (const std::string refusal = NewProfileRefusal(m_globals, name); !refusal.empty()) {
            m_ui.MsgBox(refusal, MsgButtons::OK);
            return;
        }
        try {
            CreateProfile(m_globals, m_settings, name, m_baseProfileNumber);
        } catch (const RunTimeError& e) {
            // The store refused the name: said in words, and the name stays to be changed.
            if (e.Number != cRegistry::ErrorGeneral) throw;
            m_ui.MsgBox(kMsgNameNotStored, MsgButtons::OK);
            return;
        }
        m_host.SetupProfileList();
        accept();
    });
}

void frmNewProfile::btnCancel_Click() {
    Guarded(m_ui, "frmNewProfile.btnCancel_Click", [this] { reject(); });
}

void frmNewProfile::done(int result) {
    Guarded(m_ui, "frmNewProfile.Form_Unload", [this] { m_globals.TrayEnabled = true; });
    QDialog::done(result);
}
