// The button's properties: the property bag and its conversions, first-run behaviour, loading
// and saving with defaults left out, values that do not convert, and change notifications.
#include <gtest/gtest.h>

#include <QSignalSpy>

#include <optional>

#include "controls_test_window.h"

namespace {

using controlstest::ButtonWindow;
using quillmere::Command;
using quillmere::PropertyBag;
using Skin = quillmere::Command::Skin;

TEST(PropertyBag, LeavesOutDefaultsAndKeepsOrder) {
    PropertyBag bag;
    EXPECT_EQ(bag.Read("Caption", QStringLiteral("Command1")).toString(), "Command1");
    bag.Write("Caption", QStringLiteral("Command"), QStringLiteral("Command1"));
    bag.Write("FirstRun", 1u, QStringLiteral("1"));
    bag.Write("Visible", 0, QStringLiteral("1"));
    bag.Write("Enabled", false, true);
    EXPECT_EQ(bag.Names(), QStringList({"Caption", "Visible", "Enabled"}));
    EXPECT_EQ(bag.Read("Caption", QString()).toString(), "Command");
    // Writing the default again takes the stored value out.
    bag.Write("Caption", QStringLiteral("Command1"), QStringLiteral("Command1"));
    EXPECT_FALSE(bag.Contains("Caption"));
    bag.Set("FirstRun", 1u);
    EXPECT_TRUE(bag.Contains("FirstRun"));
}

TEST(PropertyBag, SavedValuesCompareLikeVariants) {
    QFont big;
    big.setPointSize(31);
    struct Case {
        QVariant a, b;
        bool same;
    };
    const Case cases[] = {
        {1u, QStringLiteral("1"), true},
        {0u, QStringLiteral("0"), true},
        {QStringLiteral(" 1 "), 1, true},
        {true, true, true},
        {false, true, false},
        {-1, true, true},  // true is -1
        {QStringLiteral("Command1"), QStringLiteral("Command1"), true},
        {QStringLiteral("Command"), QStringLiteral("Command1"), false},
        {QStringLiteral("1"), QStringLiteral("01"), false},  // texts compare as texts
        {QStringLiteral("abc"), 0, false},
        {quint32(0x80000012u), QStringLiteral("0"), false},
        {big, big, true},
        {big, QFont(), false},
        {big, QStringLiteral("x"), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(quillmere::SameSavedValue(c.a, c.b), c.same)
            << c.a.toString().toStdString() << " / " << c.b.toString().toStdString();
    }
}

TEST(PropertyBag, Conversions) {
    using quillmere::SavedBool;
    using quillmere::SavedByte;
    using quillmere::SavedColour;
    using quillmere::SavedInt16;
    EXPECT_EQ(SavedByte(QStringLiteral("1")), 1);
    EXPECT_EQ(SavedByte(255), 255);
    EXPECT_EQ(SavedByte(256), std::nullopt);
    EXPECT_EQ(SavedByte(-1), std::nullopt);
    EXPECT_EQ(SavedByte(QStringLiteral("abc")), std::nullopt);
    EXPECT_EQ(SavedByte(QString()), std::nullopt);
    EXPECT_EQ(SavedByte(QStringLiteral("2.5")), 2);  // halves to even
    EXPECT_EQ(SavedByte(QStringLiteral("3.5")), 4);
    EXPECT_EQ(SavedByte(QStringLiteral("255.5")), std::nullopt);
    EXPECT_EQ(SavedInt16(QStringLiteral("-3")), -3);
    EXPECT_EQ(SavedInt16(40000), std::nullopt);
    EXPECT_EQ(SavedBool(QStringLiteral("True")), true);
    EXPECT_EQ(SavedBool(QStringLiteral("false")), false);
    EXPECT_EQ(SavedBool(QStringLiteral("0")), false);
    EXPECT_EQ(SavedBool(-1), true);
    EXPECT_EQ(SavedBool(QStringLiteral("maybe")), std::nullopt);
    EXPECT_EQ(SavedColour(QStringLiteral("&HFF")), 0xFFu);
    EXPECT_EQ(SavedColour(-1), 0xFFFFFFFFu);
    EXPECT_EQ(SavedColour(quint32(0x80000012u)), 0x80000012u);
    EXPECT_EQ(SavedColour(qint64(1) << 32), std::nullopt);
    EXPECT_EQ(quillmere::SavedText(QFont()), std::nullopt);
    EXPECT_EQ(quillmere::SavedText(7), QStringLiteral("7"));
}

TEST(CommandFirstRun, NewInstanceIsOffUntilEnabledIsRead) {
    ButtonWindow w(77, 25, false);
    Command& b = *w.button;
    EXPECT_FALSE(b.EnabledFlag());
    EXPECT_EQ(b.FirstRunFlag(), 0);
    EXPECT_EQ(b.ButtonState(), Command::kUnset);
    EXPECT_EQ(b.LastSkin(), Skin::Disable);  // the first layout paints the switched-off look
    EXPECT_FALSE(b.CaptionLabel().isEnabled());

    // Nothing the user does reaches a switched-off instance.
    b.Initialize();
    w.PointerOverButton();
    EXPECT_EQ(b.ButtonState(), Command::kNormal);

    const int paints = b.PaintCount();
    EXPECT_TRUE(b.Enabled());
    EXPECT_TRUE(b.EnabledFlag());
    EXPECT_EQ(b.FirstRunFlag(), 1);
    EXPECT_EQ(b.LastSkin(), Skin::Normal);
    EXPECT_TRUE(b.CaptionLabel().isEnabled());
    EXPECT_EQ(b.PaintCount(), paints + 1);
    // Every later read repaints without changing the state.
    w.PointerOverButton(2);
    ASSERT_EQ(b.ButtonState(), Command::kHighLight);
    EXPECT_TRUE(b.Enabled());
    EXPECT_EQ(b.ButtonState(), Command::kHighLight);
    EXPECT_EQ(b.LastSkin(), Skin::Normal);
    EXPECT_EQ(b.PaintCount(), paints + 3);
}

TEST(CommandLoad, EmptySetGivesTheDefaults) {
    ButtonWindow w(77, 25, false);
    QFont containerFont;
    containerFont.setPointSize(17);
    w.window->setFont(containerFont);
    w.button->ReadProperties(PropertyBag());
    Command& b = *w.button;
    EXPECT_TRUE(b.EnabledFlag());
    EXPECT_EQ(b.Caption(), QStringLiteral("Command1"));
    EXPECT_EQ(b.Font().pointSize(), 17);
    EXPECT_EQ(b.FirstRunFlag(), 1);
    EXPECT_EQ(b.FontColour(), 0u);
    EXPECT_EQ(b.Visible(), 255);
    EXPECT_EQ(b.LastSkin(), Skin::Normal);

    // Saved again, nothing but the class name remains.
    PropertyBag saved;
    b.WriteProperties(saved);
    EXPECT_TRUE(saved.IsEmpty()) << saved.Names().join(',').toStdString();
    EXPECT_EQ(saved.ClassName(), QStringLiteral("Tormalune.Command"));
}

TEST(CommandSave, NewInstanceInOrder) {
    ButtonWindow w(77, 25, false);
    PropertyBag bag;
    w.button->WriteProperties(bag);
    EXPECT_EQ(bag.Names(), QStringList({"Enabled", "Caption", "FirstRun", "Font"}));
    EXPECT_EQ(bag.Read("Enabled", QVariant()).toBool(), false);
    EXPECT_EQ(bag.Read("Caption", QVariant()).toString(), QStringLiteral("Command"));
    EXPECT_EQ(bag.Read("FirstRun", QVariant()).toUInt(), 0u);
}

TEST(CommandSave, RoundTripKeepsCaptionAndFont) {
    ButtonWindow first(77, 25, false);
    QFont font = first.button->Font();
    font.setPixelSize(20);
    font.setWeight(QFont::Bold);
    font.setItalic(true);
    first.button->SetFont(font);
    PropertyBag bag;
    first.button->WriteProperties(bag);
    ASSERT_EQ(bag.Read("Caption", QVariant()).toString(), QStringLiteral("Command"));

    ButtonWindow second(77, 25, false);
    second.button->ReadProperties(bag);
    EXPECT_EQ(second.button->Caption(), QStringLiteral("Command"));
    EXPECT_EQ(second.button->Font().pixelSize(), 20);
    EXPECT_EQ(second.button->Font().weight(), QFont::Bold);
    EXPECT_TRUE(second.button->Font().italic());
    EXPECT_EQ(second.button->FirstRunFlag(), 0);
    EXPECT_FALSE(second.button->EnabledFlag());
}

// The dialog's buttons carry only a caption and a font.
TEST(CommandLoad, DialogButtonData) {
    ButtonWindow w(77, 25, false);
    PropertyBag bag;
    bag.Write("Caption", QStringLiteral("設定"), QStringLiteral("Command1"));
    bag.Write("Font", quillmere::DefaultCaptionFont(), w.window->font());
    w.button->ReadProperties(bag);
    EXPECT_EQ(w.button->Caption(), QStringLiteral("設定"));
    EXPECT_TRUE(w.button->EnabledFlag());
    EXPECT_EQ(w.button->FirstRunFlag(), 1);
    EXPECT_EQ(w.button->LastSkin(), Skin::Normal);
    PropertyBag saved;
    w.button->WriteProperties(saved);
    EXPECT_EQ(saved.Names(), QStringList({"Caption", "Font"}));
}

// A saved value that does not convert leaves its field alone; the keys after it still load.
TEST(CommandLoad, BadValuesAreSkipped) {
    struct Case {
        const char* key;
        QVariant value;
        void (*check)(Command&);
    };
    const Case cases[] = {
        {"Enabled", QStringLiteral("maybe"), [](Command& b) { EXPECT_FALSE(b.EnabledFlag()); }},
        {"Caption", QFont(), [](Command& b) { EXPECT_EQ(b.Caption(), "Command"); }},
        {"Font", 42, [](Command& b) { EXPECT_EQ(b.Font().pixelSize(), 13); }},
        {"FirstRun", QStringLiteral("abc"), [](Command& b) { EXPECT_EQ(b.FirstRunFlag(), 0); }},
        {"FirstRun", 300, [](Command& b) { EXPECT_EQ(b.FirstRunFlag(), 0); }},
        {"FontColour", QStringLiteral("red"),
         [](Command& b) {
             const QColor text =
                 b.CaptionLabel().palette().color(QPalette::Active, QPalette::WindowText);
             EXPECT_EQ(text, QColor(0, 0, 0xFF));
         }},
        {"FontColour", quint32(0x05000000u),
         [](Command& b) {
             EXPECT_EQ(b.CaptionLabel().palette().color(QPalette::WindowText), QColor(0, 0, 0xFF));
         }},
        {"Visible", 7, [](Command& b) { EXPECT_EQ(b.Visible(), 255); }},
        {"Visible", 70000, [](Command& b) { EXPECT_EQ(b.Visible(), 255); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " " + c.value.toString().toStdString());
        ButtonWindow w(77, 25, false);
        w.button->SetFontColour(0x00FF0000u);  // blue, before anything is loaded
        PropertyBag bag;
        // Every other key a value that loads, so the bad one sits among good ones.
        bag.Set("Enabled", -1);
        bag.Set("Caption", QStringLiteral("Command"));
        bag.Set("FirstRun", 1);
        bag.Set("Visible", 1);
        bag.Set(QString::fromLatin1(c.key), c.value);
        w.button->ReadProperties(bag);
        c.check(*w.button);
    }
    // And a good value after a bad one still loads.
    ButtonWindow w(77, 25, false);
    PropertyBag bag;
    bag.Set("FirstRun", QStringLiteral("abc"));
    bag.Set("Visible", 0);
    w.button->ReadProperties(bag);
    EXPECT_EQ(w.button->Visible(), 0);
}

TEST(CommandProperties, ChangeNotifications) {
    ButtonWindow w;
    Command& b = *w.button;
    QSignalSpy changed(&b, &Command::PropertyChanged);
    const int paints = b.PaintCount();

    b.SetCaption(QStringLiteral("ｷｬﾝｾﾙ"));
    EXPECT_EQ(b.Caption(), QStringLiteral("ｷｬﾝｾﾙ"));
    EXPECT_EQ(b.PaintCount(), paints);  // no repaint for a caption
    b.SetFont(QFont());
    b.SetEnabled(false);
    EXPECT_EQ(b.LastSkin(), Skin::Disable);
    b.SetEnabled(true);
    b.SetFontColour(0x000000FFu);
    b.SetVisible(0);
    b.SetVisible(9);
    EXPECT_EQ(b.Visible(), 255);

    QStringList names;
    for (const auto& args : changed) {
        names.append(args.at(0).toString());
    }
    EXPECT_EQ(names, QStringList({"Caption", "Font", "Enabled", "Enabled", "FontColour", "Visible",
                                  "Visible"}));
}

TEST(CommandProperties, FontColour) {
    ButtonWindow w;
    Command& b = *w.button;
    auto text = [&b] { return b.CaptionLabel().palette().color(QPalette::WindowText); };
    QSignalSpy changed(&b, &Command::PropertyChanged);

    b.SetFontColour(0x000000FFu);  // written as 0x00BBGGRR
    EXPECT_EQ(text(), QColor(0xFF, 0, 0));
    b.SetFontColour(0x00FF0000u);
    EXPECT_EQ(text(), QColor(0, 0, 0xFF));
    b.SetFontColour(0x80000012u);  // the system's button text
    EXPECT_EQ(text(), b.CaptionLabel().palette().color(QPalette::ButtonText));
    EXPECT_EQ(b.FontColour(), 0x80000012u);
    EXPECT_EQ(changed.count(), 3);

    // A value the label cannot take is refused: no change, no notification, but the look is
    // refreshed all the same.
    const int paints = b.PaintCount();
    b.SetFontColour(0x01000000u);
    EXPECT_EQ(b.FontColour(), 0x80000012u);
    EXPECT_EQ(changed.count(), 3);
    EXPECT_EQ(b.PaintCount(), paints + 2);  // the write and the read above
    b.SetFontColour(0x8000FFFFu);
    EXPECT_EQ(changed.count(), 3);
}

// Until the first run is over, every refresh turns the caption black again.
TEST(CommandProperties, FirstRunKeepsTheCaptionBlack) {
    ButtonWindow w(77, 25, false);
    PropertyBag bag;
    bag.Set("FirstRun", 0);
    bag.Set("FontColour", 0xFF);
    w.button->ReadProperties(bag);
    EXPECT_EQ(w.button->FontColour(), 0u);
    w.button->SetFontColour(0xFF);
    EXPECT_EQ(w.button->FontColour(), 0u);
    EXPECT_EQ(w.button->CaptionLabel().palette().color(QPalette::WindowText), QColor(0, 0, 0));

    (void)w.button->Enabled();  // ends the first run
    w.button->SetFontColour(0xFF);
    EXPECT_EQ(w.button->FontColour(), 0xFFu);
}

TEST(CommandProperties, DisabledCaptionIsGreyed) {
    ButtonWindow w;
    w.button->SetEnabled(false);
    const QLabel& label = w.button->CaptionLabel();
    EXPECT_FALSE(label.isEnabled());
    EXPECT_NE(label.palette().color(QPalette::Disabled, QPalette::WindowText),
              label.palette().color(QPalette::Active, QPalette::WindowText));
    w.button->SetEnabled(true);
    EXPECT_TRUE(label.isEnabled());
}

}  // namespace
