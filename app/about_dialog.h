#pragma once
#include <QDialog>

// "About Caelvane": the program icon, the version line and a few lines about the program,
// laid out in dialog units of the dialog's font; OK or Escape closes it.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
