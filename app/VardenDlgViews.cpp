// The controls seen as views: what a control shows and what it holds, so
// the handlers speak of values and never of widget types.
#include <QComboBox>
#include <QLineEdit>

#include "Audio_OutData.h"
#include "BitButton.h"
#include "BitmapSlider.h"
#include "ControlIds.h"
#include "FStatic.h"
#include "FontStatic.h"
#include "GradientProgressCtrl.h"
#include "LinkState.h"
#include "NumEdit.h"
#include "VardenDlg.h"
#include "xSkinButton.h"

CFStatic* CVardenDlg::Graph() const
{
    return Item<CFStatic>(IDC_GRAPH);
}

CBitmapSlider* CVardenDlg::Fader(int nId) const
{
    return Item<CBitmapSlider>(nId);
}

CNumEdit* CVardenDlg::Field(int nId) const
{
    return Item<CNumEdit>(nId);
}

QComboBox* CVardenDlg::List(int nId) const
{
    return Item<QComboBox>(nId);
}

CFontStatic* CVardenDlg::Label(int nId) const
{
    return Item<CFontStatic>(nId);
}

CGradientProgressCtrl* CVardenDlg::Progress() const
{
    return m_pProgress;
}

QLineEdit* CVardenDlg::NameField(int nRow) const
{
    return Item<QLineEdit>(IDC_SLOT_NAME + nRow);
}

bool CVardenDlg::IsNameField(const QWidget* pWidget) const
{
    for (int r = 0; r < NUM_SLOT_ROWS; ++r)
        if (pWidget && pWidget == NameField(r))
            return true;
    return false;
}

void CVardenDlg::ShowValue(int nFieldId, int nValue)
{
    Field(nFieldId)->SetValue(nValue);
}

int CVardenDlg::FieldValue(int nFieldId) const
{
    return Field(nFieldId)->GetValue();
}

void CVardenDlg::SetPressed(int nId, bool bPressed)
{
    if (auto* pSwitch = Item<CBitButton>(nId))
        pSwitch->SetCheck(bPressed ? 1 : 0);
    else if (auto* pKey = Item<CxSkinButton>(nId))
        pKey->SetCheck(bPressed ? 1 : 0);
}

bool CVardenDlg::IsPressed(int nId) const
{
    if (auto* pSwitch = Item<CBitButton>(nId))
        return pSwitch->GetCheck() != 0;
    if (auto* pKey = Item<CxSkinButton>(nId))
        return pKey->GetCheck() != 0;
    return false;
}

void CVardenDlg::SelectItem(int nListId, int nItem)
{
    List(nListId)->setCurrentIndex(nItem);
}

int CVardenDlg::SelectedItem(int nListId) const
{
    return List(nListId)->currentIndex();
}

void CVardenDlg::EnableItem(int nId, bool bEnable)
{
    if (QWidget* pControl = GetDlgItem(nId))
        pControl->setEnabled(bEnable);
}

CFilter& CVardenDlg::BandFilter(int nBand)
{
    return m_pCurCurves->GetFilter(nBand);
}

CFilter& CVardenDlg::HighPass()
{
    return m_pCurCurves->GetHighPass();
}

CFilter& CVardenDlg::LowPass()
{
    return m_pCurCurves->GetLowPass();
}

bool CVardenDlg::IsLinked(int i, int c) const
{
    return i != c && g_anLinkGroup[i] == g_anLinkGroup[c];
}
