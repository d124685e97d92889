// The window's controls, made from tables: which kind of control each id
// range is, where the skin places it, and which skin images it wears.
#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpressionValidator>

#include "AccessibleFactory.h"
#include "BitButton.h"
#include "BitmapSlider.h"
#include "BmpStatic.h"
#include "ControlIds.h"
#include "FStatic.h"
#include "FontStatic.h"
#include "GradientProgressCtrl.h"
#include "NumEdit.h"
#include "PresetNameRule.h"
#include "SkinLayout.h"
#include "VardenDlg.h"
#include "Windows1252.h"
#include "xSkinButton.h"

namespace {

enum class Kind { Graph, Label, Fader, Switch, Key, Field, List, Radio, Name, Picture };

struct ControlGroup {
    int nFirst;
    int nCount;
    Kind kind;
};

// Creation order is the tab order.
constexpr ControlGroup kControls[] = {
    {IDC_GRAPH, 1, Kind::Graph},
    {IDC_LOGO, 1, Kind::Picture},
    {IDC_FULL_PICTURE, 1, Kind::Picture},
    {IDC_AB_FLAG, 1, Kind::Picture},
    {IDC_SAVE, 1, Kind::Key},
    {IDC_OPEN, 1, Kind::Key},
    {IDC_SLOT_RADIO, NUM_SLOT_ROWS, Kind::Radio},
    {IDC_SLOT_NAME, NUM_SLOT_ROWS, Kind::Name},
    {IDC_WRITE, 2, Kind::Key},
    {IDC_PORT_LIST, 1, Kind::List},
    {IDC_SEARCH, 1, Kind::Key},
    {IDC_LINK, 1, Kind::Key},
    {IDC_EQ_GAIN_MODE, 2, Kind::Key},
    {IDC_EQ_BYPASS_ALL, 1, Kind::Switch},
    {IDC_BAND_LABEL, NUM_BANDS, Kind::Label},
    {IDC_BAND_FADER, NUM_BANDS, Kind::Fader},
    {IDC_BAND_BYPASS, NUM_BANDS, Kind::Switch},
    {IDC_BAND_GAIN, NUM_BANDS, Kind::Field},
    {IDC_BAND_Q, NUM_BANDS, Kind::Field},
    {IDC_INPUT_HIGH, 2, Kind::Switch},
    {IDC_GAIN_FADER, 4, Kind::Fader},
    {IDC_GAIN_FIELD, 1, Kind::Field},
    {IDC_HPF_FIELD, 1, Kind::Field},
    {IDC_HPF_TYPE, 4, Kind::List},
    {IDC_LPF_FIELD, 1, Kind::Field},
    {IDC_DELAY_FIELD, 1, Kind::Field},
    {IDC_DELAY_UNIT, 1, Kind::List},
    {IDC_DELAY_OFF, 1, Kind::Key},
    {IDC_CHANNEL_BUTTON, NUM_CHANNELS, Kind::Key},
    {IDC_OUTPUT_SWITCH, NUM_CHANNELS, Kind::Switch},
    {IDC_POLARITY, NUM_CHANNELS, Kind::Switch},
    {IDC_GATE_FIELD, NUM_CHANNELS, Kind::Field},
    {IDC_LINK_LIST, NUM_CHANNELS, Kind::List},
    {IDC_BASS_LINK, 1, Kind::Switch},
};

// Skinned keys: normal, down, over and disabled images (0: the normal one).
struct KeySkin {
    int nId;
    int nNormal, nDown, nOver, nDisabled;
};
constexpr KeySkin kKeySkins[] = {
    {IDC_EQ_GAIN_MODE, 240, 238, 239, 0},
    {IDC_EQ_Q_MODE, 243, 241, 242, 0},
    {IDC_SEARCH, 216, 214, 215, 0},
    {IDC_LINK, 171, 172, 170, 0},
    {IDC_SAVE, 177, 175, 176, 0},
    {IDC_OPEN, 180, 178, 179, 0},
    {IDC_WRITE, 186, 182, 184, 0},
    {IDC_READ, 185, 181, 183, 0},
    {IDC_CHANNEL_BUTTON, 225, 221, 229, 260},
    {IDC_CHANNEL_BUTTON + 1, 226, 222, 230, 261},
    {IDC_CHANNEL_BUTTON + 2, 227, 223, 231, 262},
    {IDC_CHANNEL_BUTTON + 3, 228, 224, 232, 259},
    {IDC_DELAY_OFF, 205, 199, 202, 0},
};

// Switches: unchecked normal, hover, pressed, then checked normal, hover, pressed.
struct SwitchSkin {
    int nFirst;
    int nCount;
    int anImage[6];
};
constexpr SwitchSkin kSwitchSkins[] = {
    {IDC_BAND_BYPASS, NUM_BANDS, {264, 264, 264, 263, 263, 263}},
    {IDC_INPUT_HIGH, 1, {266, 266, 266, 267, 267, 267}},
    {IDC_INPUT_LOW, 1, {268, 268, 268, 265, 265, 265}},
    {IDC_BASS_LINK, 1, {258, 257, 256, 255, 254, 253}},
    {IDC_EQ_BYPASS_ALL, 1, {249, 249, 249, 250, 250, 250}},
    {IDC_POLARITY, NUM_CHANNELS, {251, 251, 251, 252, 252, 252}},
    {IDC_OUTPUT_SWITCH, NUM_CHANNELS, {247, 247, 247, 246, 246, 246}},
};

struct ListItems {
    int nFirst;
    int nCount;
    QStringList items;
};

const std::vector<ListItems>& ListTable()
{
    static const QStringList kTypes = {"Link_Ril", "Bessel", "BTWorth"};
    static const QStringList kSlopes = {"12dB/Oct", "18dB/Oct", "24dB/Oct", "30dB/Oct",
                                        "36dB/Oct", "42dB/Oct", "48dB/Oct"};
    static const std::vector<ListItems> s_lists = {
        {IDC_HPF_TYPE, 1, kTypes},
        {IDC_HPF_SLOPE, 1, kSlopes},
        {IDC_LPF_TYPE, 1, kTypes},
        {IDC_LPF_SLOPE, 1, kSlopes},
        {IDC_DELAY_UNIT, 1, {"CM", "MS", "INCH"}},
        {IDC_LINK_LIST, NUM_CHANNELS, {"CH1", "CH2", "CH3", "CH4"}},
        {IDC_PORT_LIST, 1, {}},
    };
    return s_lists;
}

// Windows-1252 without control characters, as the device stores names: the
// characters the name rule lets through, eight at most.
const QRegularExpression& NameExpression()
{
    static const QRegularExpression s_re([] {
        QString strClass;
        for (int c = 0; c <= 0xFF; ++c)
            if (IsPresetNameChar(static_cast<unsigned char>(c)))
                strClass += QStringLiteral("\\x{%1}").arg(
                    static_cast<unsigned>(Windows1252ToUnicode(static_cast<unsigned char>(c))), 0, 16);
        return QStringLiteral("[%1]{0,%2}").arg(strClass).arg(PRESET_NAME_LEN);
    }());
    return s_re;
}

}  // namespace

void CVardenDlg::CreateControls()
{
    InstallAccessibleControls();
    m_controls[IDC_PROGRESS] = m_pProgress;
    m_pProgress->setObjectName(QStringLiteral("ctl%1").arg(IDC_PROGRESS));
    m_pProgress->setGeometry(DialogUnitsToPixels(SkinControlRect(IDC_PROGRESS)));
    auto* pSlotGroup = new QButtonGroup(this);
    // The slot Write and Read use is the one shown checked, at every moment.
    connect(pSlotGroup, &QButtonGroup::idClicked, this, [this](int nRow) { m_nPresetSlot = nRow; });
    // Every control is a child of the window, which Qt makes its owner.
    for (const ControlGroup& group : kControls) {
        for (int nId = group.nFirst; nId < group.nFirst + group.nCount; ++nId) {
            QWidget* pControl = nullptr;
            switch (group.kind) {
            case Kind::Graph:
                pControl = new CFStatic(this, nId);
                break;
            case Kind::Label:
                pControl = new CFontStatic(this, nId);
                break;
            case Kind::Fader:
                pControl = new CBitmapSlider(this, nId);
                break;
            case Kind::Switch:
                pControl = new CBitButton(this, nId);
                break;
            case Kind::Key:
                pControl = new CxSkinButton(this, nId);
                break;
            case Kind::Field:
                pControl = new CNumEdit(this, nId);
                break;
            case Kind::Picture:
                pControl = new CBmpStatic(this, nId);
                break;
            case Kind::List: {
                auto* pList = new QComboBox(this);
                // A device server's address is typed into the port list.
                if (nId == IDC_PORT_LIST) {
                    pList->setEditable(true);
                    pList->setInsertPolicy(QComboBox::NoInsert);
                }
                connect(pList, &QComboBox::activated, this, [this, nId](int) {
                    BeginStep(StepLabel(nId));
                    OnListSelChange(nId);
                    EndStep();
                });
                pControl = pList;
                break;
            }
            case Kind::Radio: {
                auto* pRadio = new QRadioButton(QStringLiteral("PreS%1").arg(nId - IDC_SLOT_RADIO + 1), this);
                pSlotGroup->addButton(pRadio, nId - IDC_SLOT_RADIO);
                pControl = pRadio;
                break;
            }
            case Kind::Name: {
                auto* pName = new QLineEdit(this);
                pName->setMaxLength(PRESET_NAME_LEN);
                pName->setValidator(new QRegularExpressionValidator(NameExpression(), pName));
                pControl = pName;
                break;
            }
            }
            pControl->setObjectName(QStringLiteral("ctl%1").arg(nId));
            const QRect rcUnits = SkinControlRect(nId);
            if (rcUnits.isNull())
                pControl->hide();
            else
                pControl->setGeometry(DialogUnitsToPixels(rcUnits));
            m_controls[nId] = pControl;
        }
    }

    for (const KeySkin& skin : kKeySkins) {
        auto* pKey = Item<CxSkinButton>(skin.nId);
        pKey->SetSkin(skin.nNormal, skin.nDown, skin.nOver, skin.nDisabled, 0, 0, CxSkinButton::DRAW_NORMAL);
        // The template makes every key but "Seach" owner-drawn, so they latch.
        if (skin.nId != IDC_SEARCH)
            pKey->SetTemplateStyle(BS_OWNERDRAW);
    }
    for (const SwitchSkin& skin : kSwitchSkins)
        for (int nId = skin.nFirst; nId < skin.nFirst + skin.nCount; ++nId)
            Item<CBitButton>(nId)->SetBitmaps(skin.anImage[0], skin.anImage[1], skin.anImage[2], skin.anImage[3],
                                              skin.anImage[4], skin.anImage[5]);
    for (const ListItems& list : ListTable())
        for (int nId = list.nFirst; nId < list.nFirst + list.nCount; ++nId)
            List(nId)->addItems(list.items);
}

QWidget* CVardenDlg::GetDlgItem(int nId) const
{
    const auto it = m_controls.find(nId);
    return it == m_controls.end() ? nullptr : it->second;
}
