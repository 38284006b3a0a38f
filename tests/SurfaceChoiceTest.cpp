#include "app/SurfaceChoice.h"

#include <gtest/gtest.h>

namespace ratelark {
namespace {

using Surface = SurfaceChoice::Surface;

struct ChoiceRow {
    StatusLineFormat requested;
    bool display;
    bool trayHost;
    bool terminal;
    Surface surface;
    StatusLineStyle style;
    bool notice;
};

TEST(SurfaceChoice, FollowsTheWishThenWhatTheSessionOffers) {
    const ChoiceRow rows[] = {
        {StatusLineFormat::Json, true, true, true, Surface::StatusLine, StatusLineStyle::Json, false},
        {StatusLineFormat::Json, false, false, false, Surface::StatusLine, StatusLineStyle::Json, false},
        {StatusLineFormat::Text, true, true, true, Surface::StatusLine, StatusLineStyle::Text, false},
        {StatusLineFormat::Text, false, false, true, Surface::StatusLine, StatusLineStyle::Text, false},
        {StatusLineFormat::None, true, true, true, Surface::Tray, StatusLineStyle::Text, false},
        {StatusLineFormat::None, true, false, true, Surface::TrayWithStandIn, StatusLineStyle::Text, true},
        {StatusLineFormat::None, true, false, false, Surface::Tray, StatusLineStyle::Text, true},
        {StatusLineFormat::None, false, false, true, Surface::StatusLine, StatusLineStyle::Text, true},
        {StatusLineFormat::None, false, true, false, Surface::StatusLine, StatusLineStyle::Text, true},
    };
    for (const ChoiceRow& row : rows) {
        const SurfaceChoice choice = chooseSurface(row.requested, row.display, row.trayHost, row.terminal);
        SCOPED_TRACE(::testing::Message()
                     << int(row.requested) << " display " << row.display << " tray " << row.trayHost
                     << " terminal " << row.terminal);
        EXPECT_EQ(choice.surface, row.surface);
        EXPECT_EQ(choice.style, row.style);
        EXPECT_EQ(!choice.notice.isEmpty(), row.notice);
        EXPECT_FALSE(choice.notice.contains(QLatin1Char('\n'))) << "one line";
        EXPECT_EQ(choice.writesStandardOutput(), row.surface != Surface::Tray);
    }
}

TEST(SurfaceChoice, ADisplayIsAnX11OrAWaylandSession) {
    const QByteArray x11 = qgetenv("DISPLAY");
    const QByteArray wayland = qgetenv("WAYLAND_DISPLAY");
    qunsetenv("DISPLAY");
    qunsetenv("WAYLAND_DISPLAY");
    EXPECT_FALSE(hasDisplay());
    qputenv("WAYLAND_DISPLAY", "wayland-0");
    EXPECT_TRUE(hasDisplay());
    qunsetenv("WAYLAND_DISPLAY");
    qputenv("DISPLAY", ":0");
    EXPECT_TRUE(hasDisplay());
    qputenv("DISPLAY", "");
    EXPECT_FALSE(hasDisplay());
    for (const auto& [name, value] : {std::pair{"DISPLAY", x11}, std::pair{"WAYLAND_DISPLAY", wayland}}) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
}

}  // namespace
}  // namespace ratelark
