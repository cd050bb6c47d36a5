#include <cstring>

#include "core/palette.h"
#include "test_support.h"

namespace {

struct EntryCase {
    int entry;
    unsigned blue, green, red;
};

Palette paletteOf(ColorRef c0, ColorRef c1, ColorRef c2)
{
    ViewParams params = kInitialViewParams;
    params.colors[0] = c0;
    params.colors[1] = c1;
    params.colors[2] = c2;
    Palette palette;
    std::memset(&palette, 0xAB, sizeof palette);  // nothing of an earlier table may survive
    buildPalette(params, palette);
    return palette;
}

void expectEntries(const Palette& palette, std::initializer_list<EntryCase> cases)
{
    for (const EntryCase& c : cases) {
        const PixelColor& e = palette.entries[c.entry];
        EXPECT_EQ(c.blue, e.bytes[0]) << "blue of entry " << c.entry;
        EXPECT_EQ(c.green, e.bytes[1]) << "green of entry " << c.entry;
        EXPECT_EQ(c.red, e.bytes[2]) << "red of entry " << c.entry;
    }
}

}  // namespace

TEST(PaletteTest, DefaultColours)
{
    expectEntries(paletteOf(0x00804000, 0x00C0FF80, 0x00FFFFFF),
                  {{0, 0x80, 0x40, 0x00},   {1, 0x80, 0x44, 0x03},   {21, 0xA0, 0x9F, 0x40},
                   {41, 0xBE, 0xF9, 0x7C},  {42, 0xC0, 0xFF, 0x80},  {43, 0xC1, 0xFE, 0x82},
                   {63, 0xDF, 0xFE, 0xBF},  {83, 0xFC, 0xFE, 0xFB},  {84, 0xFF, 0xFF, 0xFF},
                   {85, 0xF8, 0xF8, 0xF8},  {86, 0xF2, 0xF2, 0xF2},  {87, 0xEF, 0xED, 0xEC},
                   {106, 0xB5, 0x97, 0x79}, {125, 0x7C, 0x41, 0x06}, {126, 0x79, 0x3C, 0x00},
                   {127, 0x7C, 0x3E, 0x00}});
}

TEST(PaletteTest, RedFadesOutTowardsTheOtherAnchors)
{
    const Palette palette = paletteOf(0x000000FF, 0, 0);
    expectEntries(palette, {{0, 0, 0, 255}, {1, 0, 0, 248}, {127, 0, 0, 248}, {41, 0, 0, 6},
                            {87, 0, 0, 6}, {126, 0, 0, 242}});
    for (int e = 42; e <= 86; ++e) expectEntries(palette, {{e, 0, 0, 0}});
}

TEST(PaletteTest, WhiteAnchorsTruncateBetweenAnchors)
{
    expectEntries(paletteOf(0x00FFFFFF, 0x00FFFFFF, 0x00FFFFFF),
                  {{0, 255, 255, 255},
                   {42, 255, 255, 255},
                   {84, 255, 255, 255},
                   {1, 254, 254, 254},
                   {85, 248, 248, 248},
                   {127, 248, 248, 248},
                   {86, 242, 242, 242},
                   {126, 242, 242, 242}});
}

TEST(PaletteTest, BlackAnchorsAndTheHighByteGiveNothing)
{
    const Palette black = paletteOf(0, 0, 0);
    const Palette highBytes = paletteOf(0xFF000000, 0x7F000000, 0x01000000);
    for (int e = 0; e < kPaletteSize; ++e) {
        expectEntries(black, {{e, 0, 0, 0}});
        expectEntries(highBytes, {{e, 0, 0, 0}});
    }
}

TEST(PaletteTest, InsideColourIsTheUnweightedColorRef)
{
    const struct {
        ColorRef color;
        unsigned blue, green, red;
    } cases[] = {{0x000000FF, 0, 0, 255}, {0x00FF0000, 255, 0, 0}, {0xFF123456, 0x12, 0x34, 0x56}};
    for (const auto& c : cases) {
        const PixelColor pixel = pixelFromColorRef(c.color);
        EXPECT_EQ(c.blue, pixel.bytes[0]) << std::hex << c.color;
        EXPECT_EQ(c.green, pixel.bytes[1]) << std::hex << c.color;
        EXPECT_EQ(c.red, pixel.bytes[2]) << std::hex << c.color;
    }
}
