// The About box: the program's icon, its name and version, and OK.
#pragma once

#include <QDialog>

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* VERSION_TEXT = "VARDEN Version 13.1";

    explicit CAboutDlg(QWidget* pParent = nullptr);
};
