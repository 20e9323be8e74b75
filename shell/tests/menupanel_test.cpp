#include "shell/core/menupanel.h"

#include "shell/core/menukeys.h"
#include "testinstallation.h"

#include <QSet>

namespace {

// Keys held down report pressed on every test; a key pressed once reports it on
// the next test of that key only.
class FakeKeys : public MenuKeys {
public:
    bool keyPressed(int key) override
    {
        if (held.contains(key))
            return true;
        return once.remove(key);
    }
    void press(std::initializer_list<int> keys)
    {
        for (int key : keys)
            once.insert(key);
    }
    QSet<int> held;
    QSet<int> once;
};

constexpr int height = MenuPanel::panelHeight;

}  // namespace

TEST(MenuPanel, StartsOpenOnThePlayMenu)
{
    MenuPanel menu(Edition::Full);
    EXPECT_EQ(menu.menuState(), "new");
    EXPECT_EQ(menu.timerInterval(), 200);
    menu.startUp();
    EXPECT_EQ(menu.menuState(), "open");
    EXPECT_EQ(menu.limit(), 950);
    FakeKeys keys;
    // Only the lowest 520 twips (title strip and button row) show.
    EXPECT_EQ(menu.tick(keys), 950 - height - 430);
    EXPECT_EQ(menu.tick(keys) + height, 520);
}

TEST(MenuPanel, EachKeyCombinationTogglesTheMenu)
{
    const std::vector<std::vector<int>> combinations = {
        {MenuKeys::M, MenuKeys::Control}, {MenuKeys::Escape}, {MenuKeys::F10}, {MenuKeys::F4, MenuKeys::Alt}};
    for (const auto &combination : combinations) {
        MenuPanel menu(Edition::Full);
        menu.startUp();
        FakeKeys keys;
        for (int key : combination)
            keys.once.insert(key);
        EXPECT_EQ(menu.tick(keys), -height) << "first key " << combination.front();
        EXPECT_EQ(menu.menuState(), "closed");
        EXPECT_EQ(menu.tick(keys), -height) << "a press counts once";
        for (int key : combination)
            keys.once.insert(key);
        EXPECT_EQ(menu.tick(keys), 950 - height - 430);
        EXPECT_EQ(menu.menuState(), "open");
    }
}

TEST(MenuPanel, HalfACombinationDoesNothing)
{
    for (int key : {MenuKeys::M, MenuKeys::Control, MenuKeys::F4, MenuKeys::Alt}) {
        MenuPanel menu(Edition::Full);
        menu.startUp();
        FakeKeys keys;
        keys.held.insert(key);
        menu.tick(keys);
        EXPECT_EQ(menu.menuState(), "open") << "key " << key;
    }
}

TEST(MenuPanel, AHeldKeyTogglesOnEveryTick)
{
    MenuPanel menu(Edition::Full);
    menu.startUp();
    FakeKeys keys;
    keys.held.insert(MenuKeys::Escape);
    EXPECT_EQ(menu.tick(keys), -height);
    EXPECT_EQ(menu.tick(keys), 950 - height - 430);
    EXPECT_EQ(menu.tick(keys), -height);
}

TEST(MenuPanel, ANewStateOpensOnTheFirstToggle)
{
    MenuPanel menu(Edition::Full);
    FakeKeys keys;
    keys.press({MenuKeys::Escape});
    menu.tick(keys);
    EXPECT_EQ(menu.menuState(), "open");
}

TEST(MenuPanel, MainMenuSurvivesHidingAndShowing)
{
    MenuPanel menu(Edition::Full);
    menu.startUp();
    EXPECT_EQ(menu.toggleMainMenu(), "- play menu");
    EXPECT_EQ(menu.limit(), 3400);
    FakeKeys keys;
    // The whole panel but its top 45 twips shows.
    EXPECT_EQ(menu.tick(keys), 3400 - height - 430);
    EXPECT_EQ(menu.tick(keys), -45);

    menu.hide();
    EXPECT_EQ(menu.tick(keys), -height);
    menu.mouseOverSurface();
    EXPECT_EQ(menu.tick(keys), -45);

    EXPECT_EQ(menu.toggleMainMenu(), "+ main menu");
    EXPECT_EQ(menu.limit(), 950);
}

TEST(MenuPanel, AnyStateButOpenCountsAsClosed)
{
    MenuPanel menu(Edition::Full);
    menu.startUp();
    menu.setMenuState("Open");
    FakeKeys keys;
    EXPECT_EQ(menu.tick(keys), -height);
}

TEST(MenuPanel, PlayerBuildShowsItsBottomRowAndPollsSlower)
{
    MenuPanel menu(Edition::Player);
    EXPECT_EQ(menu.menuState(), "open");
    EXPECT_EQ(menu.timerInterval(), 300);
    menu.startUp();
    EXPECT_EQ(menu.limit(), 700);
    FakeKeys keys;
    EXPECT_EQ(menu.tick(keys) + height, 270);
}
