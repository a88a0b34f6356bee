#include "effects/CAExp.h"

#include <utility>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "effects/PixelOps.h"
#include "effects/Random.h"

namespace {

// Block patterns, bit 3 ... bit 0 = (x, y), (x + 1, y), (x, y + 1), (x + 1, y + 1).
constexpr uint8_t kTwoAlive[6] = {0b0011, 0b0110, 0b1100, 0b1001, 0b1010, 0b0101};
constexpr uint8_t kOneAlive[4] = {0b0001, 0b0010, 0b0100, 0b1000};

// The new patterns for r % 12 (a multiple of both 6 and 4), one nibble per
// live count 0 ... 4. The word depends only on r, so it is fetched before the
// cells are known and the count just shifts it.
constexpr auto kPatterns = [] {
    struct { uint32_t byR[12]; } t{};
    for (int k = 0; k < 12; ++k)
        t.byR[k] = 0b0000 | kOneAlive[k % 4] << 4 | kTwoAlive[k % 6] << 8 | (kOneAlive[k % 4] ^ 0b1111) << 12 |
                   0b1111 << 16;
    return t;
}();

// The block rule's new pattern for `live` live cells and random number r;
// blocks with 0 or 4 live cells keep theirs.
constexpr uint32_t pattern(uint32_t live, uint32_t r)
{
    return (kPatterns.byR[r % 12] >> (4 * live)) & 15;
}

// The block rule with the live count carried from block to block. A block's
// left cells are what the block before it left in its right cells, so along
// a row only their count k (0 ... 2) passes from one block to the next. For
// r % 12 and the count of the block's right cells, entry bits 4k ... 4k + 3
// hold the new pattern and bits 16 + 4k ... 19 + 4k hold 4 × the count that
// pattern leaves in its right cells: the next block's 4k.
constexpr auto kCarried = [] {
    struct { uint32_t entry[12][3]; } t{};
    for (int r = 0; r < 12; ++r)
        for (int right = 0; right < 3; ++right)
            for (int left = 0; left < 3; ++left) {
                const uint32_t p = pattern(uint32_t(left + right), uint32_t(r));
                const uint32_t next = ((p >> 2) & 1) + (p & 1);
                t.entry[r][right] |= p << 4 * left | (4 * next) << (16 + 4 * left);
            }
    return t;
}();

// r := 3 × (r % 12), the first index of kCarried's row for r.
void rowsOfTwelve(uint16_t* r, uint32_t count)
{
    uint32_t k = 0;
#ifdef __SSE2__
    // r / 12 is (r × 43691) >> 19 for every r below 2^17.
    const __m128i magic = _mm_set1_epi16(int16_t(43691)), twelve = _mm_set1_epi16(12);
    const uint32_t vectorEnd = simdLevel() == SimdLevel::Portable ? 0 : count;
    for (; k + 8 <= vectorEnd; k += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r + k));
        const __m128i rest = _mm_sub_epi16(v, _mm_mullo_epi16(_mm_srli_epi16(_mm_mulhi_epu16(v, magic), 3), twelve));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(r + k), _mm_add_epi16(rest, _mm_add_epi16(rest, rest)));
    }
#endif
    for (; k < count; ++k)
        r[k] = uint16_t(r[k] % 12 * 3);
}

// Random numbers are drawn this many at a time, ahead of the loops using them.
constexpr uint32_t kChunk = 512;

// The pair of cells that a random number's low 3 bits swap, with the cells of
// a neighbourhood numbered A = (x, y), B = (x + 1, y), C = (x, y + 1),
// D = (x + 1, y + 1) as 0 ... 3.
constexpr uint8_t kSwapPairs[8][2] = {{0, 1}, {0, 2}, {1, 2}, {1, 3}, {0, 3}, {2, 3}, {0, 1}, {2, 3}};

inline uint8_t alive(uint32_t pixel)
{
    return (pixel >> 2) & 1;
}

} // namespace

CAExp::CAExp()
{
    setClassName(typeid(*this));
    addVariable(&flag, "flag", "steps the automaton only when not 0");
    addVariable(&pixelRef, "pixelRef", "the buffer the automaton lives in: bit 2 of a pixel is a live cell");
    cells = std::make_unique<uint8_t[]>(kCells);
}

void CAExp::draw()
{
    if (flag == 0 || !pixelRef)
        return;
    const uint32_t W = pixelRef->width, H = pixelRef->height, N = W * H;
    if (N > kCells)
        return;
    const uint32_t* P = pixelRef->pixels;
    uint8_t* cell = cells.get();
    uint32_t state = randomState(); // kept out of memory, where the cell stores could alias it
    uint16_t random[kChunk];

    // Pair swaps, anchors backwards, reading the target into the cells.
    // Where neighbourhoods overlap the smallest anchor writes last, so cell
    // p >= W + 1 ends up with the D of anchor p - W - 1: past the first row an
    // anchor needs only its D, and the last W + 1 anchors only their random
    // number. Neighbours at index N or beyond are dead; results for them are
    // dropped.
    const uint32_t offset[4] = {0, 1, W, W + 1}; // A B C D from the anchor
    uint32_t dSource[8]; // where D's value comes from after each swap
    for (int sel = 0; sel < 8; ++sel)
        dSource[sel] = offset[kSwapPairs[sel][1] == 3 ? kSwapPairs[sel][0] : 3];
    const uint32_t fastEnd = N >= W + 1 ? N - W - 1 : 0; // anchors below it write D in range
    uint32_t j = N;
    if (j > fastEnd && j > W) {
        const uint32_t to = fastEnd > W ? fastEnd : W;
        skipRandom(state, j - to);
        j = to;
    }
    while (j > W) {
        const uint32_t count = j - W < kChunk ? j - W : kChunk;
        nextRandoms(state, random, count);
        for (uint32_t k = 0; k < count; ++k) {
            const uint32_t i = j - 1 - k;
            cell[i + W + 1] = alive(P[i + dSource[random[k] & 7]]);
        }
        j -= count;
    }
    for (; j > 0; --j) {
        const uint32_t i = j - 1;
        uint8_t q[4];
        for (int k = 0; k < 4; ++k)
            q[k] = i + offset[k] < N ? alive(P[i + offset[k]]) : 0;
        const uint8_t* pair = kSwapPairs[nextRandom(state) & 7];
        std::swap(q[pair[0]], q[pair[1]]);
        for (int k = 0; k < 4; ++k) // in order: for W = 1, C lands on B's cell last
            if (i + offset[k] < N)
                cell[i + offset[k]] = q[k];
    }

    // Block rule, in place, wrapping at the right and bottom edges.
    if (W >= 2 && H >= 2) {
        // A block's right cells are read before any block of the row writes
        // them, except at the wrap, and its own left cells are final once it
        // has run, so only those are stored, and the wrap's right cells last.
        for (uint32_t y = 0; y < H; ++y) {
            uint8_t* top = cell + y * W;
            uint8_t* bottom = cell + (y + 1 == H ? 0 : y + 1) * W;
            uint32_t left4 = 4 * uint32_t(top[0] + bottom[0]);
            uint32_t p = 0;
            for (uint32_t x0 = 0; x0 < W; x0 += kChunk) {
                const uint32_t count = W - x0 < kChunk ? W - x0 : kChunk;
                nextRandoms(state, random, count);
                rowsOfTwelve(random, count);
                for (uint32_t k = 0; k < count; ++k) {
                    const uint32_t x = x0 + k, x1 = x + 1 == W ? 0 : x + 1;
                    const uint32_t entry = (&kCarried.entry[0][0])[random[k] + top[x1] + bottom[x1]];
                    p = (entry >> left4) & 15;
                    left4 = (entry >> 16 >> left4) & 15;
                    top[x] = uint8_t(p >> 3);
                    bottom[x] = uint8_t((p >> 1) & 1);
                }
            }
            top[0] = uint8_t((p >> 2) & 1);
            bottom[0] = uint8_t(p & 1);
        }
    } else {
        // One column or one row: blocks overlap themselves, so every cell is
        // written in order (in a one-row grid the bottom writes land last).
        for (uint32_t y = 0; y < H; ++y) {
            uint8_t* top = cell + y * W;
            uint8_t* bottom = cell + (y + 1 == H ? 0 : y + 1) * W;
            for (uint32_t x = 0; x < W; ++x) {
                const uint32_t x1 = x + 1 == W ? 0 : x + 1;
                const uint32_t p = pattern(top[x] + top[x1] + bottom[x] + bottom[x1], nextRandom(state));
                top[x] = p >> 3;
                top[x1] = (p >> 2) & 1;
                bottom[x] = (p >> 1) & 1;
                bottom[x1] = p & 1;
            }
        }
    }

    randomState() = state;

    expandCells(pixelRef->pixels, cell, N);
}

void CAExp::captureOwn(StateBytes& out) const
{
    const size_t start = out.size();
    out.resize(start + kCells / 8);
    for (uint32_t i = 0; i < kCells; ++i)
        out[start + i / 8] |= uint8_t((cells[i] & 1) << (i % 8));
}

void CAExp::restoreOwn(std::span<const uint8_t>& in)
{
    uint8_t bits[kCells / 8];
    loadBytes(in, bits, sizeof bits);
    for (uint32_t i = 0; i < kCells; ++i)
        cells[i] = (bits[i / 8] >> (i % 8)) & 1;
}
