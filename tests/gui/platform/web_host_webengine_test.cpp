#include "gui/platform/web_host.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <memory>
#include <optional>

#include "gui/base/window_handle.h"
#include "gui/modal.h"
#include "server/airline_fixture.h"
#include "server/filing.h"

namespace kestrix::gui {
namespace {

using airline::ReportField;

// Runs a script in the page and waits for its value; invalid when none came.
QVariant RunScript(QWebEngineView& view, const QString& script) {
  auto result = std::make_shared<std::optional<QVariant>>();
  view.page()->runJavaScript(script, [result](const QVariant& value) { *result = value; });
  if (!QTest::qWaitFor([&] { return result->has_value(); }, 10000)) return {};
  return **result;
}

bool WaitForScript(QWebEngineView& view, const QString& script, int timeoutMs) {
  return QTest::qWaitFor([&] { return RunScript(view, script).toBool(); }, timeoutMs);
}

class ReportPage : public test::AirlineFixture {
 protected:
  void SetUp() override {
    AirlineFixture::SetUp();
    InstallWebHost(host);
  }
  void TearDown() override {
    InstallWebHost(nullptr);
    AirlineFixture::TearDown();
  }

  std::shared_ptr<DesktopWebHost> host = std::make_shared<DesktopWebHost>();
};

TEST_F(ReportPage, ThePilotCompletesThePirepInTheWindowAndTheServerFilesIt) {
  std::vector<std::string> values(airline::kReportValueCount);
  values[static_cast<size_t>(ReportField::PilotNumber)] = kPilotNumber;
  values[static_cast<size_t>(ReportField::LocalId)] = "report-1";
  values[static_cast<size_t>(ReportField::FlightId)] = "7001";
  const std::string reportKey = airline.State().AddReport(values);
  ServerVariables variables;
  Database().ReadServerVariables(variables);
  const std::string firstPart = variables["server"] + variables["pirepPage"] + "?data=";
  const std::string address =
      ReportPageAddress(variables["server"], variables["pirepPage"], kUser, kPassword, reportKey);
  ASSERT_TRUE(address.starts_with(firstPart));

  QWidget owner;
  owner.show();
  EnableOwnerWindow(HandleOf(&owner), false);
  bool pageSeen = false;
  test::OnWindow<WebHostWindow>([&](WebHostWindow& window) {
    EXPECT_EQ(window.parentWidget(), &owner);
    EXPECT_TRUE(window.isWindow());
    EXPECT_TRUE(window.isEnabled());
    EXPECT_EQ(window.windowModality(), Qt::WindowModal);
    EXPECT_TRUE(window.windowFlags() & Qt::WindowTitleHint);
    EXPECT_TRUE(window.windowFlags() & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(window.windowFlags() & Qt::FramelessWindowHint);
    // A caption that shows nothing, yet is not empty: Qt fills an empty one with the program's name.
    EXPECT_FALSE(window.windowTitle().isEmpty());
    for (const QChar c : window.windowTitle()) EXPECT_EQ(c.category(), QChar::Other_Format);
    EXPECT_EQ(window.size(), QSize(297, 460));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(window.pos(), QPoint((screen.width() - 297) / 2, (screen.height() - 460) / 2));

    QWebEngineView& view = *window.View();
    ASSERT_TRUE(WaitForScript(view, "document.getElementById('complete') !== null", 120000));
    EXPECT_FALSE(airline.State().ReportFor("report-1")->filed);
    RunScript(view, "document.getElementById('complete').click(); true");
    pageSeen = WaitForScript(view, "document.body && document.body.innerText.indexOf('PIREP filed.') >= 0", 30000);
    window.close();
  });
  EXPECT_EQ(ShowWebPage(HandleOf(&owner), firstPart, address.substr(firstPart.size())), 0);

  EXPECT_TRUE(pageSeen);
  EXPECT_TRUE(airline.State().ReportFor("report-1")->filed);
  const auto visits = RequestsTo(airline::Route::ReportPage);
  ASSERT_EQ(visits.size(), 2u);
  EXPECT_EQ(visits[0].target, address.substr(address.find('/')));
  EXPECT_EQ(visits[1].target, visits[0].target + "&complete=1");
  EXPECT_FALSE(owner.isEnabled());  // the caller enables its window again, not the web host
  QTest::qWait(0);
  for (QWidget* widget : QApplication::topLevelWidgets()) EXPECT_FALSE(qobject_cast<WebHostWindow*>(widget));
  EnableOwnerWindow(HandleOf(&owner), true);
  EXPECT_TRUE(owner.isEnabled());
}

}  // namespace
}  // namespace kestrix::gui

// The browser's settings come before the application; under Xvfb the window
// is a real X11 one.
int main(int argc, char** argv) {
  kestrix::gui::PrepareEmbeddedBrowser();
  ::testing::InitGoogleTest(&argc, argv);
  QApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
