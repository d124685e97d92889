// The response graph: the edited channel's summed response over a dB /
// log-frequency grid, the outline and label of the element in focus, and a
// handle per element that the user drags (band gains up and down, the
// crossover frequencies sideways). Changes reach the window at most every
// 300 ms as WM_GRAPH_CHANGED.
#pragma once

#include <QBasicTimer>
#include <QCursor>
#include <QImage>
#include <QWidget>
#include <string>

#include "PlotTypes.h"
#include "WindowMessage.h"

class CAudio_Data;
class CAudio_OutData;
class CEQ;
class CFilter;
class CGraphOverlay;
class QPainter;

inline constexpr int WM_GRAPH_CHANGED = 0x464;
inline constexpr int ID_TIMER_GRAPH = 3;

class CFStatic : public QWidget {
public:
    static constexpr int GRID_LINES = 27;
    static constexpr int NOTIFY_PERIOD_MS = 300;

    explicit CFStatic(QWidget* pParent = nullptr, int nCtrlId = 1163);

    // The level axis's label for nDb: "+30" ... "+10", "0dB", "-10" ...
    static std::string LevelLabel(int nDb);

    void SetChannelArray(CAudio_Data* pChannels) { m_pChannels = pChannels; }
    void SetNotifyWnd(QObject* pNotifyWnd) { m_pNotifyWnd = pNotifyWnd; }
    // Drawn over the grid, under the channel's curve (null: nothing).
    void SetOverlay(const CGraphOverlay* pOverlay) { m_pOverlay = pOverlay; }
    void InitLayout();
    void ShowChannel(int i);
    void Redraw(int nSelected);

    // The window's message handlers; the Qt events below call them.
    void OnLButtonDown(CPoint pt);
    void OnLButtonUp(CPoint pt);
    void OnMouseMove(CPoint pt);
    void OnTimer(int nIDEvent);

    int GetCtrlId() const { return m_nCtrlId; }
    int GetShownChannel() const { return m_nShownChannel; }
    int GetSelected() const { return m_nSelected; }
    int GetHotIndex() const { return m_nHotIndex; }
    const CFilter* GetHot() const { return m_pHot; }
    bool IsOverHandle() const { return m_bOverHandle != 0; }
    // A handle is held down, or its last move is still to be reported.
    bool IsDragging() const;
    const CRect& GetPlotRect() const { return m_rcPlot; }
    // What the window shows: the last complete drawing.
    const QImage& GetImage() const { return m_image; }

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
    void timerEvent(QTimerEvent* pEvent) override;

private:
    void DrawAxes();
    void DrawPlot();
    void DrawHandleTexts(QPainter& dc);
    void DrawValueLabel(QPainter& dc, CFilter& focus);
    int LabelCollisions(const QRect& rc) const;
    void CrossoverMove(CPoint pt);
    CFilter* FocusElement();
    bool HasDrawingArea() const;
    bool ImageFits() const;
    void UpdateCursor();

    QObject* m_pNotifyWnd = nullptr;
    CAudio_Data* m_pChannels = nullptr;
    CAudio_OutData* m_pChannel = nullptr;
    CEQ* m_pEQ = nullptr;
    CFilter* m_pHot = nullptr;
    QCursor m_hDragCursor{Qt::SizeAllCursor};
    int m_nGridX[GRID_LINES] = {};
    CRect m_rcClient;
    CRect m_rcPlot;
    int m_bOverHandle = 0;
    int m_bChanged = 0;
    int m_bNotifyPending = 0;
    int m_nHotIndex = 0;
    int m_nSelected = -1;
    int m_nShownChannel = 0;
    int m_nMode = 2;
    int m_lNotifyParam = 1;

    int m_nCtrlId;
    const CGraphOverlay* m_pOverlay = nullptr;
    QImage m_image;  // the off-screen picture the window is painted from
    QBasicTimer m_timerNotify;
};
