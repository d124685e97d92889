#include "AccessibleFactory.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>

#include "BitButton.h"
#include "BitButtonAccessible.h"
#include "BitmapSlider.h"
#include "BitmapSliderAccessible.h"
#include "BmpStatic.h"
#include "ComboBoxAccessible.h"
#include "FStatic.h"
#include "FStaticAccessible.h"
#include "FontStatic.h"
#include "GradientProgressAccessible.h"
#include "GradientProgressCtrl.h"
#include "NumEdit.h"
#include "NumEditAccessible.h"
#include "xSkinButton.h"
#include "xSkinButtonAccessible.h"

namespace {

// Asked with each class name of the object's ancestry in turn; the object
// itself decides, as the graph has no class name of its own.
QAccessibleInterface* CreateControlInterface(const QString& /*strClass*/, QObject* pObject)
{
    if (auto* pSlider = qobject_cast<CBitmapSlider*>(pObject))
        return new CBitmapSliderAccessible(pSlider);
    if (auto* pSwitch = qobject_cast<CBitButton*>(pObject))
        return new CBitButtonAccessible(pSwitch);
    if (auto* pKey = qobject_cast<CxSkinButton*>(pObject))
        return new CxSkinButtonAccessible(pKey);
    if (auto* pProgress = qobject_cast<CGradientProgressCtrl*>(pObject))
        return new CGradientProgressAccessible(pProgress);
    if (auto* pLabel = qobject_cast<CFontStatic*>(pObject))
        return new QAccessibleWidget(pLabel, QAccessible::StaticText);
    if (auto* pPicture = qobject_cast<CBmpStatic*>(pObject))
        return new QAccessibleWidget(pPicture, QAccessible::Graphic);
    if (auto* pField = qobject_cast<CNumEdit*>(pObject))
        return new CNumEditAccessible(pField);
    if (auto* pGraph = dynamic_cast<CFStatic*>(pObject))
        return new CFStaticAccessible(pGraph);
    // A list one can type into (the port list) has its field as a second child.
    if (auto* pList = qobject_cast<QComboBox*>(pObject))
        return new CComboBoxAccessible(pList);
    return nullptr;
}

}  // namespace

void InstallAccessibleControls()
{
    static bool s_bInstalled = false;
    if (s_bInstalled)
        return;
    QAccessible::installFactory(CreateControlInterface);
    s_bInstalled = true;
}
