// Gallery page "align": the real window with a two-way on channels 1 and 2,
// each driver measured with phase, the alignment dialog open over it with
// the preview on the graph, the dialog alone, and the window once applied.
// The drivers are the tests' synthetic ones.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "AlignDialog.h"
#include "ControlIds.h"
#include "Gallery.h"
#include "MessageBox.h"
#include "PresetFile.h"
#include "SyntheticDrivers.h"
#include "TALVRoute.h"
#include "VardenDlg.h"

namespace {
void WriteFile(const QString& strPath, const std::string& text)
{
    QFile file(strPath);
    if (file.open(QIODevice::WriteOnly))
        file.write(QByteArray::fromStdString(text));
}

void RenderAlign(CGalleryWriter& writer)
{
    // The window makes its MusicFile folder where it starts.
    QTemporaryDir work;
    const QString strOld = QDir::currentPath();
    QDir::setCurrent(work.path());
    MessageBoxHandler previous =
        SetMessageBoxHandler([](const std::string&, MessageIcon, MessageButtons) { return MessageAnswer::Ok; });
    {
        CTALVRoute route;
        for (const int k : {0, 1}) {
            const ChannelSetting s = k == 0 ? synthetic::WooferSetting() : synthetic::TweeterSetting();
            CTALVData& channel = route.GetChannel(k);
            channel.SetHpfFreq(static_cast<short>(s.hpf.nFreq));
            channel.SetLpfFreq(static_cast<short>(s.lpf.nFreq));
            channel.SetHpfSlope(static_cast<BYTE>(s.hpf.nSlope));
            channel.SetLpfSlope(static_cast<BYTE>(s.lpf.nSlope));
            channel.SetChannelGain(static_cast<short>(s.nGain));
            channel.SetOutputOn(1);
        }
        route.m_strName = "2WAY";
        const QDir dir(work.path());
        const std::string strPreset = dir.filePath(QStringLiteral("2way.dia")).toStdString();
        std::string strError;
        SavePresetFile(strPreset, route, strError);
        const QString strWoofer = dir.filePath(QStringLiteral("woofer.frd"));
        const QString strTweeter = dir.filePath(QStringLiteral("tweeter.txt"));
        WriteFile(strWoofer, synthetic::FrdText(synthetic::Measure(synthetic::Woofer(), synthetic::WooferSetting())));
        WriteFile(strTweeter,
                  synthetic::RewText(synthetic::Measure(synthetic::Tweeter(), synthetic::TweeterSetting())));

        CVardenDlg dlg;
        dlg.OnInitDialog();
        dlg.show();
        QApplication::setActiveWindow(&dlg);
        dlg.OpenPresetFile(strPreset);
        dlg.LoadAlignFile(0, strWoofer.toStdString());
        dlg.LoadAlignFile(1, strTweeter.toStdString());

        CAlignDialog::Runner previousRunner = CAlignDialog::SetModalRunner([&](CAlignDialog& dialog) {
            writer.Save(QStringLiteral("align-window-dialog"), WindowWithDialog(dlg, dialog));
            writer.Save(QStringLiteral("align-dialog"), dialog.grab().toImage());
            return static_cast<int>(QDialog::Accepted);
        });
        ChooseFromGraphMenu(*dlg.GetDlgItem(IDC_GRAPH), QString::fromUtf8("Align Channels\u2026"));
        CAlignDialog::SetModalRunner(std::move(previousRunner));
        writer.SaveWidget(QStringLiteral("align-window-aligned"), dlg);
    }
    SetMessageBoxHandler(std::move(previous));
    QDir::setCurrent(strOld);
}

const bool s_registered = RegisterGalleryPage("align", RenderAlign);
}  // namespace
