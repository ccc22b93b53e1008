// F1 and the "Справка" buttons land on anchors that the rendered manual has.
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>

#include "ChangesPanel.h"
#include "CompareWindow.h"
#include "Comportclass.h"
#include "GuiFixture.h"
#include "Help.h"
#include "JournalWindow.h"
#include "Obrappr.h"
#include "Obrline.h"
#include "Obrlistdevice.h"
#include "Obrnastr.h"
#include "Obrport.h"
#include "TracePanel.h"
#include "TrendPanel.h"
#include "Rules.h"
#include "Workflow.h"

namespace tservice::testing {
namespace {

// Whether page#anchor of the rendered manual exists.
::testing::AssertionResult Resolves(const QString& topic) {
    const QString page = topic.section(QLatin1Char('#'), 0, 0);
    const QString anchor = topic.section(QLatin1Char('#'), 1);
    QFile f(QStringLiteral(TSERVICE_MANUAL_DIR "/") + page);
    if (!f.open(QIODevice::ReadOnly)) return ::testing::AssertionFailure() << "no page " << page.toStdString();
    if (anchor.isEmpty() || QString::fromUtf8(f.readAll()).contains(QStringLiteral("id=\"%1\"").arg(anchor)))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "no anchor " << topic.toStdString();
}

using Help = GuiTest;

TEST_F(Help, EveryWindowDialogAndPanelOpensItsChapter) {
    TFormJournal journal(form.get());
    TFormCompare compare(form.get());
    const std::pair<const QWidget*, const char*> windows[] = {
        {form.get(), "reading.html#main-window"},
        {form->CBoxUstr, "reading.html#main-window"},
        {form->CBoxTipD, "editing.html#channel"},
        {form->UstProc1, "editing.html#alarm"},
        {form->CBoxUstrZ, "editing.html#number"},
        {form->Button1, "calibration.html#calibration"},
        {form->KTxc, "calibration.html#cold-junction"},
        {form->CBoxCurrent, "calibration.html#current-trim"},
        {form->ButNonStand, "nonstandard.html#nonstandard"},
        {form->FormPort, "line.html#port-dialog"},
        {form->FormNastr, "line.html#exchange-dialog"},
        {form->FormDevice, "scan.html#device-list"},
        {form->FormLine, "scan.html#line-window"},
        {form->FormNewRange, "nonstandard.html#range-dialog"},
        {&journal, "files.html#journal"},
        {&compare, "files.html#compare"},
        {form->ChangesPanel, "files.html#changes"},
        {form->Trend, "trend.html#trend"},
        {form->LineLog, "trend.html#traffic"},
    };
    for (const auto& [widget, topic] : windows) {
        EXPECT_EQ(HelpTopicFor(widget).toStdString(), topic) << widget->objectName().toStdString();
        EXPECT_TRUE(Resolves(HelpTopicFor(widget)));
    }
    for (const HelpTopic& t : HelpTopics()) EXPECT_TRUE(Resolves(QLatin1String(t.topic))) << t.objectName;
}

TEST_F(Help, EveryMessageWithHelpHasItsEntry) {
    std::vector<std::string> anchors;
    for (int code = 1; code <= 300; ++code) anchors.push_back(LinkErrorBox(0, code, "COM1").help);
    for (WriteStage s : {WriteStage::NoData, WriteStage::OtherModel, WriteStage::OtherVersion})
        anchors.push_back(WriteRefusalBox(s).help);
    for (const char* refusal : {"блок не для этого прибора (модель, версия или длина)\nЗапись отменена",
                                "поле TipD меняется только в привилегированном режиме\nЗапись отменена",
                                "поле Nu = 40: допустимо 0…31\nЗапись отменена",
                                "байт 39 блока = 1: не используется программой, допустимо только как считано (0)"})
        anchors.push_back(WriteRefusalBox(WriteStage::Refused, refusal).help);
    for (ReadStage s : {ReadStage::BadLength, ReadStage::BadNumber}) anchors.push_back(ReadRefusalBox({s}, 0, 0).help);
    for (int tip : {0xFF, 104}) anchors.push_back(ReadRefusalBox({ReadStage::Done}, 0, tip).help);
    for (const std::string& anchor : anchors) {
        ASSERT_FALSE(anchor.empty());
        EXPECT_TRUE(Resolves(MessageTopic(anchor)));
    }
    EXPECT_EQ(LinkErrorBox(0, 130, "COM1").help, "msg-130");
    EXPECT_EQ(LinkErrorBox(0, 1, "COM1").help, "msg-exception");
}

}  // namespace
}  // namespace tservice::testing
