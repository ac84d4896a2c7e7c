#pragma once

class QDialog;
class QDialogButtonBox;

// The OK and Cancel buttons of a dialog, named for tests and screen readers ("buttonBox",
// "okButton", "cancelButton") and wired to the dialog's accept and reject.
class COkCancelButtons {
public:
    static QDialogButtonBox* Create(QDialog* pDialog);
};
