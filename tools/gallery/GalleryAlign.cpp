// Gallery page "align": the real window with a two-way on channels 1 and 2,
// each driver measured with phase, the alignment dialog open over it with
// the preview on the graph, the dialog alone, and the window once applied.
// The drivers are the tests' synthetic ones.
#include <QApplication>

#include "AlignDialog.h"
#include "ControlIds.h"
#include "Gallery.h"
#include "PresetFile.h"
#include "SyntheticDrivers.h"
#include "TALVRoute.h"
#include "VardenDlg.h"

namespace {
void RenderAlign(CGalleryWriter& writer)
{
    const CGalleryWorkFolder work;
    {
        CTALVRoute route;
        ApplyChannelSetting(synthetic::WooferSetting(), route.GetChannel(0));
        ApplyChannelSetting(synthetic::TweeterSetting(), route.GetChannel(1));
        for (const int k : {0, 1})
            route.GetChannel(k).SetOutputOn(1);
        route.SetName("2WAY");
        const std::string strPreset = work.FilePath(QStringLiteral("2way.dia")).toStdString();
        std::string strError;
        SavePresetFile(strPreset, route, strError);
        const QString strWoofer = work.FilePath(QStringLiteral("woofer.frd"));
        const QString strTweeter = work.FilePath(QStringLiteral("tweeter.txt"));
        WriteTextFile(strWoofer,
                      synthetic::FrdText(synthetic::Measure(synthetic::Woofer(), synthetic::WooferSetting())));
        WriteTextFile(strTweeter,
                      synthetic::RewText(synthetic::Measure(synthetic::Tweeter(), synthetic::TweeterSetting())));

        CVardenDlg dlg;
        dlg.OnInitDialog();
        dlg.show();
        QApplication::setActiveWindow(&dlg);
        dlg.OpenPresetFile(strPreset);
        dlg.LoadAlignFile(0, strWoofer.toStdString());
        dlg.LoadAlignFile(1, strTweeter.toStdString());

        CAlignDialog::Runner previousRunner = CAlignDialog::SetModalRunner([&](CAlignDialog& dialog) {
            dialog.WaitForAlignment();
            writer.Save(QStringLiteral("align-window-dialog"), WindowWithDialog(dlg, dialog));
            writer.Save(QStringLiteral("align-dialog"), dialog.grab().toImage());
            return static_cast<int>(QDialog::Accepted);
        });
        ChooseFromGraphMenu(*dlg.GetDlgItem(IDC_GRAPH), QString::fromUtf8("Align Channels\u2026"));
        CAlignDialog::SetModalRunner(std::move(previousRunner));
        writer.SaveWidget(QStringLiteral("align-window-aligned"), dlg);
    }
}

const bool s_registered = RegisterGalleryPage("align", RenderAlign);
}  // namespace
