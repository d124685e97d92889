// What the response graph draws while channels are being aligned: each
// channel's predicted response in its own colour, their sum as it is now
// (dashed) and as the alignment would leave it (bold), all about the new
// sum's mean over the range, so a flat sum lies on the 0 dB line. A key in
// the plot's top left corner names each line.
#pragma once

#include <QColor>
#include <QString>
#include <vector>

#include "GridLevels.h"

class CAudio_OutData;
class QPainter;

class CAlignPreview {
public:
    struct Curve {
        GridLevels levels;
        QColor colour;
        QString strName;  // "CH1"
    };

    void Set(std::vector<Curve> aChannel, const GridLevels& before, const GridLevels& after,
             const bool (&abInRange)[GRID_POINTS]);
    void Clear() { m_bShown = false; }
    bool IsShown() const { return m_bShown; }
    // The level drawn on the 0 dB line.
    double GetReferenceDb() const { return m_dReferenceDb; }

    void Draw(QPainter& dc, const CAudio_OutData& display) const;

private:
    void DrawKey(QPainter& dc) const;

    bool m_bShown = false;
    std::vector<Curve> m_aChannel;
    GridLevels m_before;
    GridLevels m_after;
    double m_dReferenceDb = 0.0;
};
