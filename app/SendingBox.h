// The small box the window shows while it sends the changes still on their
// way before it closes: how many are left, and Cancel to stop at once.
#pragma once

#include <QDialog>

class QLabel;

class CSendingBox : public QDialog {
    Q_OBJECT
public:
    explicit CSendingBox(QWidget* pParent);
    void SetCount(int nChanges);

signals:
    void Stop();

private:
    QLabel* m_pText;
};
