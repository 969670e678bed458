// The running-object table with item monikers, and the wide formatting that names its entries.
#include <gtest/gtest.h>

#include <string>

#include "win32/codepage.h"
#include "win32/rot.h"

namespace {

struct Thing final : win32::ComObject<IUnknown> {
    ULONG Count() {
        AddRef();
        return Release();
    }
};

IMoniker* Item(const char16_t* delim, const char16_t* item) {
    IMoniker* p = nullptr;
    EXPECT_EQ(CreateItemMoniker(delim, item, &p), S_OK);
    return p;
}

std::u16string DisplayName(IMoniker* m) {
    LPWSTR name = nullptr;
    EXPECT_EQ(m->GetDisplayName(nullptr, nullptr, &name), S_OK);
    std::u16string s(name);
    CoTaskMemFree(name);
    return s;
}

TEST(RunningObjectTable, HoldsTheObjectUnderItsMonikerUntilRevoked) {
    IRunningObjectTable* rot = nullptr;
    ASSERT_EQ(GetRunningObjectTable(1, &rot), E_INVALIDARG);
    ASSERT_EQ(GetRunningObjectTable(0, &rot), S_OK);
    const int before = win32::RunningObjectCount();

    auto* thing = new Thing;
    IMoniker* name = Item(u"!", u"FilterGraph 1");
    IMoniker* same = Item(u"!", u"FilterGraph 1");
    IMoniker* other = Item(u"!", u"FilterGraph 2");
    EXPECT_EQ(DisplayName(name), u"!FilterGraph 1");
    EXPECT_EQ(name->IsEqual(same), S_OK);
    EXPECT_EQ(name->IsEqual(other), S_FALSE);

    DWORD cookie = 0;
    ASSERT_EQ(rot->Register(0, thing, name, &cookie), S_OK);
    EXPECT_NE(cookie, 0u);
    EXPECT_EQ(thing->Count(), 2u) << "the table holds a reference";
    EXPECT_EQ(win32::RunningObjectCount(), before + 1);
    EXPECT_EQ(rot->IsRunning(same), S_OK);
    EXPECT_EQ(rot->IsRunning(other), S_FALSE);
    IUnknown* found = nullptr;
    ASSERT_EQ(rot->GetObject(same, &found), S_OK);
    EXPECT_EQ(found, static_cast<IUnknown*>(thing));
    found->Release();
    EXPECT_EQ(rot->GetObject(other, &found), MK_E_UNAVAILABLE);
    EXPECT_EQ(found, nullptr);

    EXPECT_EQ(rot->Revoke(cookie), S_OK);
    EXPECT_EQ(rot->Revoke(cookie), E_INVALIDARG) << "a cookie revokes once";
    EXPECT_EQ(rot->IsRunning(same), S_FALSE);
    EXPECT_EQ(thing->Count(), 1u);
    EXPECT_EQ(win32::RunningObjectCount(), before);

    for (IUnknown* p : {static_cast<IUnknown*>(name), static_cast<IUnknown*>(same), static_cast<IUnknown*>(other),
                        static_cast<IUnknown*>(thing)})
        p->Release();
    rot->Release();
}

TEST(WideFormat, ConversionsAsThePlatformFormatsThem) {
    struct Case {
        const char16_t* format;
        std::u16string expected;
    };
    WCHAR out[1100];
    const Case cases[] = {
        {u"FilterGraph %08x  pid %08x", u"FilterGraph 00000000  pid 00003039"},
        {u"%d|%5i|%-4u|%X|%lx", u"-7|   42|9   |FF|abc"},
        {u"%c%s%%%q", u"\u00e9wide\u20ac%%q"},
        {u"trailing %", u"trailing %"},
    };
    ASSERT_EQ(wsprintfW(out, cases[0].format, 0u, 12345u), 34);
    EXPECT_EQ(std::u16string(out), cases[0].expected);
    wsprintfW(out, cases[1].format, -7, 42, 9u, 255u, 0xABCu);
    EXPECT_EQ(std::u16string(out), cases[1].expected);
    wsprintfW(out, cases[2].format, static_cast<int>(u'\u00e9'), u"wide\u20ac");
    EXPECT_EQ(std::u16string(out), cases[2].expected);
    wsprintfW(out, cases[3].format);
    EXPECT_EQ(std::u16string(out), cases[3].expected);

    // The output is cut at 1024 characters.
    const std::u16string big(2000, u'a');
    EXPECT_EQ(wsprintfW(out, u"%s", big.c_str()), 1024);
    EXPECT_EQ(std::u16string(out).size(), 1024u);
}

}  // namespace
