#include "effects/CAExp.h"

#include <bit>
#include <cstring>
#include <utility>

#include "base/Workers.h"
#include "effects/CAExpOps.h"
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

// Cells a pattern leaves in its right column: the next block's left count.
constexpr uint32_t rightCount(uint32_t p)
{
    return ((p >> 2) & 1) + (p & 1);
}

// The block rule with the live count k (0 ... 2) of a block's left cells
// carried along the row: those are what the block before it left in its
// right cells. Entries hold one 16-bit field per incoming k, at bit 16k;
// bits 4 ... 5 of a field are the outgoing k, so the carried value is
// 16k and one step along the row is a shift and a mask.
constexpr uint64_t kNextK = 0x30;

// Per 3 × (r % 12) + the count of the block's right cells: bit 0 the new
// top left cell, 1 bottom left, 2 top right, 3 bottom right.
constexpr auto kCarried = [] {
    struct { uint64_t entry[36]; } t{};
    for (uint32_t r = 0; r < 12; ++r)
        for (uint32_t right = 0; right < 3; ++right)
            for (uint32_t left = 0; left < 3; ++left) {
                const uint32_t p = pattern(left + right, r);
                const uint64_t field = (p >> 3) | ((p >> 1) & 1) << 1 | ((p >> 2) & 1) << 2 | (p & 1) << 3 |
                                       rightCount(p) << 4;
                t.entry[3 * r + right] |= field << 16 * left;
            }
    return t;
}();

// Two neighbouring blocks in one step, per 36 × (first block's index in
// kCarried) + the second's: bits 0 and 1 the first block's new top and
// bottom left cells, bits 8 and 9 the second's, so that masked with 0x0101
// a field is the two new top cells as two bytes in memory order (the
// blocks swap places on big-endian machines). Halves the row's serial chain.
constexpr int kFirstByte = std::endian::native == std::endian::little ? 0 : 8;
constexpr auto kCarriedPairs = [] {
    struct { uint64_t entry[36 * 36]; } t{};
    for (uint32_t first = 0; first < 36; ++first)
        for (uint32_t second = 0; second < 36; ++second)
            for (uint32_t left = 0; left < 3; ++left) {
                const uint32_t p = pattern(left + first % 3, first / 3);
                const uint32_t q = pattern(rightCount(p) + second % 3, second / 3);
                const uint64_t field = ((p >> 3) | ((p >> 1) & 1) << 1) << kFirstByte |
                                       ((q >> 3) | ((q >> 1) & 1) << 1) << (8 - kFirstByte) | rightCount(q) << 4;
                t.entry[36 * first + second] |= field << 16 * left;
            }
    return t;
}();

// The block rule's random numbers are drawn this many at a time, ahead of the
// loop using them.
constexpr uint32_t kChunk = 512;

} // namespace

CAExp::CAExp()
{
    setClassName(typeid(*this));
    addVariable(&flag, "flag", "steps the automaton only when not 0");
    addVariable(&pixelRef, "pixelRef", "the buffer the automaton lives in: bit 2 of a pixel is a live cell");
    cells = std::make_unique<uint8_t[]>(kCells);
}

DrawPlan CAExp::beginDraw(Workers&)
{
    if (flag == 0 || !pixelRef || uint32_t(pixelRef->width) * pixelRef->height > kCells)
        return {DrawPlan::Nothing};
    return {DrawPlan::Whole};
}

void CAExp::draw()
{
    generation(nullptr);
}

void CAExp::draw(Workers& workers)
{
    generation(&workers);
}

void CAExp::generation(Workers* workers)
{
    if (flag == 0 || !pixelRef)
        return;
    const uint32_t W = pixelRef->width, H = pixelRef->height, N = W * H;
    if (N > kCells)
        return;
    // The pair swaps and the last pass are split in runs of neighbouring
    // cells, each with its own place in the random sequence.
    const uint32_t parts = workers ? workers->threads() : 1;
    const auto inParts = [&](auto&& part) {
        if (parts == 1)
            part(0);
        else
            workers->run(parts, part);
    };
    const CAExpOps& ops = caExpOps();
    const uint32_t* P = pixelRef->pixels;
    uint8_t* cell = cells.get();
    uint32_t state = randomState(); // kept out of memory, where the cell stores could alias it
    uint16_t index[kChunk];

    // Pair swaps, anchors backwards, reading the target into the cells.
    // Where neighbourhoods overlap the smallest anchor writes last, so cell
    // p >= W + 1 ends up with the D of anchor p - W - 1: past the first row an
    // anchor needs only its D, and the last W + 1 anchors only their random
    // number. Neighbours at index N or beyond are dead; results for them are
    // dropped.
    const uint32_t offset[4] = {0, 1, W, W + 1}; // A B C D from the anchor
    const uint32_t fastEnd = N >= W + 1 ? N - W - 1 : 0; // anchors below it write D in range
    uint32_t j = N;
    if (j > fastEnd && j > W) {
        const uint32_t to = fastEnd > W ? fastEnd : W;
        skipRandom(state, j - to);
        j = to;
    }
    if (j > W) {
        const uint32_t start = state, top = j, anchors = j - W;
        inParts([&](uint32_t q) {
            // Part q takes the q-th run of rows from the top, as in the last
            // pass, so that each thread keeps its rows in its core's cache.
            const uint32_t r = parts - 1 - q;
            const uint32_t end = top - r * anchors / parts, first = top - (r + 1) * anchors / parts;
            uint32_t s = start;
            skipRandom(s, top - end);
            ops.pairSwaps(s, P, cell, first, end, W);
        });
        skipRandom(state, anchors);
        j = W;
    }
    for (; j > 0; --j) {
        const uint32_t i = j - 1;
        uint8_t q[4];
        for (int k = 0; k < 4; ++k)
            q[k] = i + offset[k] < N ? liveCell(P[i + offset[k]]) : 0;
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
            uint64_t k16 = 16 * uint32_t(top[0] + bottom[0]), f = 0;
            for (uint32_t x0 = 0; x0 < W; x0 += kChunk) {
                const uint32_t count = W - x0 < kChunk ? W - x0 : kChunk;
                uint8_t* t = top + x0;
                uint8_t* b = bottom + x0;
                // Blocks whose right cells this row has not written yet: all
                // but the last, whose right cells are what the first left.
                const uint32_t known = count < W - x0 - 1 ? count : W - x0 - 1;
                ops.blockIndices(state, index, t + 1, b + 1, known);
                uint32_t k = 0;
                for (; k + 2 <= known; k += 2) {
                    f = kCarriedPairs.entry[36 * index[k] + index[k + 1]] >> k16;
                    k16 = f & kNextK;
                    const uint16_t newTop = uint16_t(f & 0x0101), newBottom = uint16_t((f >> 1) & 0x0101);
                    std::memcpy(t + k, &newTop, 2);
                    std::memcpy(b + k, &newBottom, 2);
                }
                for (; k < count; ++k) {
                    const uint32_t i = k < known ? index[k] : nextRandom(state) % 12 * 3 + top[0] + bottom[0];
                    f = kCarried.entry[i] >> k16;
                    k16 = f & kNextK;
                    t[k] = uint8_t(f & 1);
                    b[k] = uint8_t((f >> 1) & 1);
                }
            }
            top[0] = uint8_t((f >> 2) & 1);
            bottom[0] = uint8_t((f >> 3) & 1);
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

    uint32_t* pixels = pixelRef->pixels;
    inParts([&](uint32_t q) {
        const uint32_t from = q * N / parts, to = (q + 1) * N / parts;
        expandCells(pixels + from, cell + from, to - from);
    });
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
