#include "trap_image.hpp"

#include "fault.hpp"

namespace velmora {
namespace {

struct Rgb {
    uint8_t r, g, b;
};

constexpr Rgb kWhite{255, 255, 255};

// Integer geometry only: the motif must come out the same on every machine.
constexpr int Square(int v) { return v * v; }
constexpr int DistanceSquared(int x, int y, int cx, int cy) { return Square(x - cx) + Square(y - cy); }

// Ring of eight colours around the image centre.
constexpr int kCentreX = 100, kCentreY = 75;
constexpr int kRingInner = 68, kRingOuter = 72;
constexpr Rgb kRingColours[8] = {
    {230, 30, 30},  {245, 140, 20}, {235, 215, 20}, {40, 170, 60},
    {20, 170, 200}, {40, 70, 210},  {130, 50, 190}, {210, 40, 160},
};

// Which eighth of the circle (clockwise from the top) the offset points to.
int Octant(int dx, int dy) {
    if (dx >= 0 && dy < 0) return -dy > dx ? 0 : 1;
    if (dx > 0 && dy >= 0) return dx > dy ? 2 : 3;
    if (dx <= 0 && dy > 0) return dy > -dx ? 4 : 5;
    return -dx > -dy ? 6 : 7;
}

// The flower: eight round petals about a seeded centre, on a stem with two
// leaves.
constexpr int kHeadX = 100, kHeadY = 62;
constexpr int kPetalRadius = 14, kPetalOutline = 12, kPetalHighlight = 7;
constexpr int kPetalOffsets[8][2] = {{24, 0}, {17, 17}, {0, 24}, {-17, 17}, {-24, 0}, {-17, -17}, {0, -24}, {17, -17}};
constexpr Rgb kPetalColours[2] = {{225, 50, 140}, {245, 120, 60}};
constexpr Rgb kPetalHighlights[2] = {{250, 150, 200}, {252, 190, 130}};
constexpr Rgb kPetalEdge{120, 20, 80};
constexpr int kCentreRadius = 15, kCentreRim = 12;
constexpr Rgb kCentreColour{250, 205, 40}, kSeedColour{200, 140, 20}, kRimColour{150, 85, 25};
constexpr int kStemLeft = 98, kStemRight = 102, kStemTop = 100, kStemBottom = 140;
constexpr Rgb kStemColour{40, 140, 50};
struct Leaf {
    int cx, cy, a, b;  // centre and half-axes
};
constexpr Leaf kLeaves[2] = {{86, 122, 13, 6}, {114, 114, 13, 6}};
constexpr Rgb kLeafColour{70, 175, 65}, kVeinColour{30, 110, 40};

bool InsideLeaf(const Leaf& leaf, int x, int y) {
    return Square(x - leaf.cx) * Square(leaf.b) + Square(y - leaf.cy) * Square(leaf.a) <=
           Square(leaf.a) * Square(leaf.b);
}

// The colour of one pixel: the layers from the top down, the first that
// covers the pixel wins.
Rgb MotifPixel(int x, int y) {
    const int head = DistanceSquared(x, y, kHeadX, kHeadY);
    if (head <= Square(kCentreRadius)) {
        if (head > Square(kCentreRim)) return kRimColour;
        return ((x + y) % 4 == 0 && (x - y) % 4 == 0) ? kSeedColour : kCentreColour;
    }
    // Later petals lie over earlier ones.
    for (int i = 7; i >= 0; --i) {
        const int d = DistanceSquared(x, y, kHeadX + kPetalOffsets[i][0], kHeadY + kPetalOffsets[i][1]);
        if (d > Square(kPetalRadius)) continue;
        if (d > Square(kPetalOutline)) return kPetalEdge;
        return d <= Square(kPetalHighlight) ? kPetalHighlights[i % 2] : kPetalColours[i % 2];
    }
    if (x >= kStemLeft && x <= kStemRight && y >= kStemTop && y <= kStemBottom) return kStemColour;
    for (const Leaf& leaf : kLeaves)
        if (InsideLeaf(leaf, x, y)) return y == leaf.cy ? kVeinColour : kLeafColour;
    const int ring = DistanceSquared(x, y, kCentreX, kCentreY);
    if (ring > Square(kRingInner) && ring <= Square(kRingOuter)) return kRingColours[Octant(x - kCentreX, y - kCentreY)];
    return kWhite;
}

}  // namespace

TrapImage::TrapImage() { rgb_.fill(255); }

void TrapImage::setPixel(int x, int y, uint8_t r, uint8_t g, uint8_t b) {
    const size_t at = Offset(x, y);
    rgb_[at] = r;
    rgb_[at + 1] = g;
    rgb_[at + 2] = b;
}

TrapImage MakeDefaultTrapImage() {
    TrapImage image;
    for (int y = 0; y < TrapImage::kHeight; ++y)
        for (int x = 0; x < TrapImage::kWidth; ++x) {
            const Rgb c = MotifPixel(x, y);
            image.setPixel(x, y, c.r, c.g, c.b);
        }
    return image;
}

const TrapImage& DefaultTrapImage() {
    static const TrapImage image = MakeDefaultTrapImage();
    return image;
}

}  // namespace velmora
