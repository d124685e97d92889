// The small box the window shows while it sends the changes still on their
// way before it closes: how many are left, and Cancel to stop at once. The
// same box says that the window connects to a device server.
#pragma once

#include <QDialog>
#include <string>

class QLabel;

class CSendingBox : public QDialog {
    Q_OBJECT
public:
    explicit CSendingBox(QWidget* pParent);
    void SetCount(int nChanges);
    void SetConnecting(const std::string& strPort);

signals:
    void Stop();

private:
    QLabel* m_pText;
};
