#include "gui/main/pilot_info_dialog.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "gui/base/window_handle.h"
#include "gui/modal.h"
#include "server/airline_fixture.h"

namespace kestrix::gui {
namespace {

using airline::Route;
using test::OnModal;

QLineEdit* Edit(PilotInfoDialog& dialog, const char* id) { return dialog.findChild<QLineEdit*>(id); }

void Type(PilotInfoDialog& dialog, const char* id, const char* text) {
  Edit(dialog, id)->clear();
  QTest::keyClicks(Edit(dialog, id), text);
}

void Press(PilotInfoDialog& dialog, const char* id) {
  QTest::mouseClick(dialog.findChild<QPushButton*>(id), Qt::LeftButton);
}

class LogIn : public test::AirlineFixture {
 protected:
  kestrix::PilotInfo Stored() {
    kestrix::PilotInfo info;
    Database().ReadPilotInfo(info);
    return info;
  }
};

TEST_F(LogIn, WrongPasswordShowsTheServersMessageAndKeepsTheTypedValues) {
  OnModal<PilotInfoDialog>([&](PilotInfoDialog& dialog) {
    EXPECT_TRUE(Edit(dialog, "1000")->text().isEmpty());
    EXPECT_TRUE(Edit(dialog, "1007")->text().isEmpty());
    EXPECT_EQ(Edit(dialog, "1007")->echoMode(), QLineEdit::Password);
    Type(dialog, "1000", kUser);
    Type(dialog, "1007", "wrong");
    Press(dialog, "1");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(Edit(dialog, "1000")->text(), kUser);
    EXPECT_EQ(Edit(dialog, "1007")->text(), "wrong");
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "Invalid user name or password.");
    EXPECT_EQ(boxes.Shown()[0].flags, MessageKind::Error);
    EXPECT_EQ(boxes.Shown()[0].owner, HandleOf(&dialog));
    Press(dialog, "2");
  });
  EXPECT_EQ(RunPilotInfoDialog(nullptr, false), kPilotInfoCancelled);
  EXPECT_EQ(Stored(), (kestrix::PilotInfo{kUser, kPassword, kPilotNumber}));
}

TEST_F(LogIn, EditModeShowsTheStoredLogInAndAVerifiedLogInStoresTheServersPilotNumber) {
  airline.State().AddPilot({kUser, kPassword, "5678", "John Doe", false});
  OnModal<PilotInfoDialog>([&](PilotInfoDialog& dialog) {
    EXPECT_EQ(Edit(dialog, "1000")->text(), kUser);
    EXPECT_EQ(Edit(dialog, "1007")->text(), kPassword);
    Press(dialog, "1");
  });
  EXPECT_EQ(RunPilotInfoDialog(nullptr, true), kPilotInfoVerified);
  EXPECT_EQ(Stored(), (kestrix::PilotInfo{kUser, kPassword, "5678"}));
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"User verified."});
  EXPECT_EQ(boxes.Shown()[0].flags, MessageKind::Information);
}

TEST_F(LogIn, OkAsksNothingOfTheServerWithoutInternetOrWithAnEmptyField) {
  OnModal<PilotInfoDialog>([&](PilotInfoDialog& dialog) {
    Type(dialog, "1000", kUser);
    Press(dialog, "1");  // no password yet
    Type(dialog, "1007", kPassword);
    InstallInternetStateProbe([] { return false; });
    Press(dialog, "1");
    EXPECT_TRUE(dialog.isVisible());
    InstallInternetStateProbe([] { return true; });
    QTest::keyClick(&dialog, Qt::Key_Escape);
  });
  EXPECT_EQ(RunPilotInfoDialog(nullptr, false), kPilotInfoCancelled);
  EXPECT_EQ(boxes.Texts(),
            std::vector<std::string>{"You need to be connected to the internet to perform this action."});
  EXPECT_EQ(boxes.Shown()[0].flags, MessageKind::Information);
  EXPECT_TRUE(RequestsTo(Route::VerifyPilot).empty());
}

}  // namespace
}  // namespace kestrix::gui
