// The resource tables, item for item.
#include <gtest/gtest.h>

#include <cstring>

#include "resources/resource.h"
#include "resources/programtables.h"
#include "win32/windows.h"

namespace {

using Kind = res::MenuItem::Kind;

struct ItemCase {
    Kind kind;
    const char* text;
    unsigned id;
};

void ExpectPopup(const res::Menu* menu, const char* title, const ItemCase (&items)[6]) {
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->items.size(), 1u);
    const res::MenuItem& popup = menu->items[0];
    EXPECT_EQ(popup.kind, Kind::Popup);
    EXPECT_STREQ(popup.text, title);
    ASSERT_EQ(popup.items.size(), 6u);
    for (size_t i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(popup.items[i].kind, items[i].kind);
        if (items[i].text) {
            EXPECT_STREQ(popup.items[i].text, items[i].text);
        }
        EXPECT_EQ(popup.items[i].id, items[i].id);
    }
}

TEST(Resources, MenuBar141) {
    const ItemCase items[6] = {{Kind::Command, "&Go/stop\tEnter", 40004},
                               {Kind::Command, "&Single step\tSpace", 40005},
                               {Kind::Separator, nullptr, 0},
                               {Kind::Command, "&Change device...\tF2", 40002},
                               {Kind::Separator, nullptr, 0},
                               {Kind::Command, "E&xit\tESC", 40006}};
    ExpectPopup(res::FindMenu(IDR_MENU), "&File", items);
}

TEST(Resources, ContextMenu142) {
    const ItemCase items[6] = {{Kind::Command, "&Go/stop", 40004}, {Kind::Command, "&Single step", 40005},
                               {Kind::Separator, nullptr, 0},      {Kind::Command, "&Change device...", 40002},
                               {Kind::Separator, nullptr, 0},      {Kind::Command, "E&xit", 40006}};
    ExpectPopup(res::FindMenu(IDR_POPUP), "Popup", items);
}

TEST(Resources, AcceleratorTable113InOrder) {
    const res::AccelTable* table = res::FindAccelTable(IDR_MAIN_ACCEL);
    ASSERT_NE(table, nullptr);
    constexpr unsigned char V = FVIRTKEY | FNOINVERT;
    const res::Accel expected[] = {
        {FNOINVERT, '<', 40017}, {V | FCONTROL, 'C', 40012}, {V | FCONTROL, 'F', 40014}, {V | FCONTROL, 'N', 40013},
        {V, VK_ESCAPE, 40006},   {V, VK_F2, 40002},          {V, VK_RETURN, 40004},      {V | FALT, VK_RETURN, 40003},
        {V, VK_SHIFT, 40016},    {V, VK_SPACE, 40005},       {V | FALT, 'X', 40006},
    };
    ASSERT_EQ(table->entries.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(table->entries[i].fVirt, expected[i].fVirt);
        EXPECT_EQ(table->entries[i].key, expected[i].key);
        EXPECT_EQ(table->entries[i].cmd, expected[i].cmd);
    }
}

TEST(Resources, SelectDeviceDialog144) {
    const res::DialogTemplate* d = res::FindDialog(IDD_SELECTDEVICE);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->style, 0x80C808C0u);
    EXPECT_EQ(d->cx, 267);
    EXPECT_EQ(d->cy, 138);
    EXPECT_STREQ(d->caption, "Select Device");
    EXPECT_STREQ(d->fontName, "MS Shell Dlg");
    EXPECT_EQ(d->pointSize, 8);
    struct Ctl {
        int id;
        const char* cls;
        const char* text;
        int x, y, cx, cy;
    };
    const Ctl controls[] = {
        {-1, "BUTTON", "Rendering device", 5, 5, 200, 45},
        {-1, "STATIC", "&Adapter:", 22, 17, 65, 10},
        {1002, "COMBOBOX", "", 90, 15, 105, 100},
        {-1, "STATIC", "&Device:", 22, 32, 65, 10},
        {1000, "COMBOBOX", "", 90, 30, 105, 100},
        {-1, "BUTTON", "Rendering mode", 5, 52, 200, 45},
        {1016, "BUTTON", "Use desktop &window", 10, 62, 85, 15},
        {1018, "BUTTON", "&Fullscreen mode:", 10, 77, 75, 15},
        {1003, "COMBOBOX", "", 90, 77, 105, 204},
        {-1, "BUTTON", "Multisample", 5, 101, 200, 28},
        {-1, "STATIC", "&Multisample Type:", 22, 113, 62, 10},
        {1005, "COMBOBOX", "", 90, 111, 105, 100},
        {IDOK, "BUTTON", "OK", 210, 10, 50, 14},
        {IDCANCEL, "BUTTON", "Cancel", 210, 30, 50, 14},
    };
    ASSERT_EQ(d->controls.size(), std::size(controls));
    for (size_t i = 0; i < std::size(controls); ++i) {
        SCOPED_TRACE(i);
        const res::DialogControl& c = d->controls[i];
        EXPECT_EQ(c.id, controls[i].id);
        EXPECT_EQ(c.className, controls[i].cls);
        EXPECT_STREQ(c.text, controls[i].text);
        EXPECT_EQ(c.x, controls[i].x);
        EXPECT_EQ(c.y, controls[i].y);
        EXPECT_EQ(c.cx, controls[i].cx);
        EXPECT_EQ(c.cy, controls[i].cy);
    }
    EXPECT_EQ(d->controls[12].style & 0xF, static_cast<std::uint32_t>(BS_DEFPUSHBUTTON));
    EXPECT_EQ(d->controls[6].style & 0xF, static_cast<std::uint32_t>(BS_AUTORADIOBUTTON));
    EXPECT_TRUE(d->controls[8].style & WS_GROUP) << "the mode list begins an arrow-key set";
}

TEST(Resources, Icon101HasTwoSixteenColourImages) {
    const res::Icon* icon = res::FindIcon(IDI_MAIN_ICON);
    ASSERT_NE(icon, nullptr);
    ASSERT_EQ(icon->images.size(), 2u);
    const int sizes[] = {32, 16};
    for (size_t i = 0; i < 2; ++i) {
        const res::IconImage& image = icon->images[i];
        EXPECT_EQ(image.width, sizes[i]);
        EXPECT_EQ(image.height, sizes[i]);
        for (int y = 0; y < image.height; ++y) {
            ASSERT_EQ(std::strlen(image.rows[y]), static_cast<size_t>(image.width));
            for (int x = 0; x < image.width; ++x)
                ASSERT_TRUE(std::strchr("0123456789abcdef.", image.rows[y][x])) << x << "," << y;
        }
    }
}

TEST(Resources, Cursor154AndUnknownIds) {
    const res::Cursor* cursor = res::FindCursor(IDC_POINTER);
    ASSERT_NE(cursor, nullptr);
    EXPECT_EQ(cursor->width, 32);
    EXPECT_EQ(cursor->height, 32);
    EXPECT_EQ(cursor->hotX, 0);
    EXPECT_EQ(cursor->hotY, 0);
    EXPECT_EQ(res::FindMenu(0), nullptr);
    EXPECT_EQ(res::FindAccelTable(141), nullptr);
    EXPECT_EQ(res::FindDialog(141), nullptr);
    EXPECT_EQ(res::FindIcon(154), nullptr);
}

}  // namespace
