#include "gui/main/ticket_viewer.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "airline/ticket_image.h"
#include "gui/base/desktop_style.h"
#include "gui/modal.h"
#include "server/airline_fixture.h"

namespace kestrix::gui {
namespace {

using airline::FaultKind;
using airline::Route;
using test::OnModal;

// A point on the ticket's paper, below its coloured band, and where the dialog draws it.
constexpr QPoint kOnPaper(50, 60);
constexpr QPoint kOnPaperShown = kOnPaper + QPoint(28, 40);

QColor TicketColour(const std::string& kind, bool front, const std::string& flightId) {
  return DecodeTicketSide(airline::TicketImage(kind, front, flightId)).pixelColor(kOnPaper);
}

QColor Shown(ViewTicketDialog& dialog) { return dialog.grab().toImage().pixelColor(kOnPaperShown); }

QString Hint(ViewTicketDialog& dialog) { return dialog.findChild<QLabel*>("1006")->text(); }

void RightClick(ViewTicketDialog& dialog) { QTest::mouseClick(&dialog, Qt::RightButton, {}, QPoint(300, 100)); }

class Ticket : public test::AirlineFixture {};

TEST_F(Ticket, ShowsBothDownloadedSidesAndRightClicksTurnItOver) {
  const QColor front = TicketColour("planbook", true, "123");
  const QColor back = TicketColour("planbook", false, "123");
  ASSERT_NE(front, back);
  OnModal<ViewTicketDialog>([&](ViewTicketDialog& dialog) {
    EXPECT_TRUE(dialog.ShowingFront());
    EXPECT_EQ(Hint(dialog), "Right-click to see ticket back.");
    EXPECT_EQ(Shown(dialog), front);
    RightClick(dialog);
    EXPECT_FALSE(dialog.ShowingFront());
    EXPECT_EQ(Hint(dialog), "Right-click to see ticket front.");
    EXPECT_EQ(Shown(dialog), back);
    RightClick(dialog);
    EXPECT_EQ(Hint(dialog), "Right-click to see ticket back.");
    EXPECT_EQ(Shown(dialog), front);
    QTest::mouseClick(dialog.findChild<QPushButton*>("1"), Qt::LeftButton);
  });
  EXPECT_TRUE(ShowTicket(nullptr, "123", "SCH"));
  const auto requests = RequestsTo(Route::Ticket);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].target, "/kx/ticket.php?flightid=123&rectype=planbook&ticktype=f");
  EXPECT_EQ(requests[1].target, "/kx/ticket.php?flightid=123&rectype=planbook&ticktype=b");
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(Ticket, ASideThatIsNoImageStaysEmpty) {
  airline.Faults().Set(Route::Ticket, test::MakeFault(FaultKind::Error, "No ticket.", 0, 1));
  OnModal<ViewTicketDialog>([&](ViewTicketDialog& dialog) {
    EXPECT_EQ(Shown(dialog), kDarkColour);
    RightClick(dialog);
    EXPECT_EQ(Shown(dialog), TicketColour("ga", false, "77"));
    QTest::keyClick(&dialog, Qt::Key_Return);
  });
  EXPECT_TRUE(ShowTicket(nullptr, "77", "GA"));
}

TEST_F(Ticket, NothingIsShownForATypeWithoutTicketOrWithoutInternet) {
  EXPECT_FALSE(ShowTicket(nullptr, "5", "BID"));
  EXPECT_FALSE(ShowTicket(nullptr, "5", "HVH"));
  InstallInternetStateProbe([] { return false; });
  EXPECT_FALSE(ShowTicket(nullptr, "5", "SPL"));
  EXPECT_TRUE(RequestsTo(Route::Ticket).empty());
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST(TicketSide, TransparentPartsTurnBlackAndBytesThatAreNoImageGiveNone) {
  QImage picture(4, 4, QImage::Format_ARGB32);
  picture.fill(Qt::transparent);
  picture.setPixelColor(1, 1, QColor(10, 200, 30));
  QByteArray png;
  QBuffer buffer(&png);
  picture.save(&buffer, "PNG");
  const QImage side = DecodeTicketSide(png.toStdString());
  ASSERT_FALSE(side.isNull());
  EXPECT_FALSE(side.hasAlphaChannel());
  EXPECT_EQ(side.pixelColor(0, 0), QColor(Qt::black));
  EXPECT_EQ(side.pixelColor(1, 1), QColor(10, 200, 30));

  for (const std::string& bytes : {std::string(), std::string("ERROR:No ticket."), png.left(30).toStdString()})
    EXPECT_TRUE(DecodeTicketSide(bytes).isNull()) << bytes.size() << " bytes";
}

}  // namespace
}  // namespace kestrix::gui
