// A picture with an on and an off image; a click while it shows "off"
// switches it on. The window's full-window picture and the band-frequency
// flag indicator are of this kind.
#pragma once

#include <QImage>
#include <QWidget>

class CBmpStatic : public QWidget {
    Q_OBJECT
public:
    explicit CBmpStatic(QWidget* pParent = nullptr, int nId = 0);

    int GetDlgCtrlID() const { return m_nId; }

    // Images by skin id; either may be missing (a null image draws nothing).
    void SetBitmaps(int nOnId, int nOffId);
    void SetImages(const QImage& imgOn, const QImage& imgOff);
    void SetState(bool bState);
    bool GetState() const { return m_bState; }

    const QImage& GetOnImage() const { return m_imgOn; }
    const QImage& GetOffImage() const { return m_imgOff; }
    // Whether the on image is the one on show.
    bool IsShowingOn() const { return m_bShowOn; }

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;

private:
    void ShowImage(bool bOn);

    int m_nId;
    QImage m_imgOn;
    QImage m_imgOff;
    bool m_bState = true;
    bool m_bShowOn = true;
};
