#include "effects/CAExp.h"

#include <bit>
#include <cstring>
#include <utility>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "base/Workers.h"
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

// Random numbers are drawn this many at a time, ahead of the loops using them.
constexpr uint32_t kChunk = 512;

// The pair of cells that a random number's low 3 bits swap, with the cells of
// a neighbourhood numbered A = (x, y), B = (x + 1, y), C = (x, y + 1),
// D = (x + 1, y + 1) as 0 ... 3.
constexpr uint8_t kSwapPairs[8][2] = {{0, 1}, {0, 2}, {1, 2}, {1, 3}, {0, 3}, {2, 3}, {0, 1}, {2, 3}};

// The cell whose value D holds after the swap of r & 7: bit 0 one column
// right, bit 1 one row down.
constexpr auto kEndsInD = [] {
    struct { uint8_t cell[8]; } t{};
    for (int sel = 0; sel < 8; ++sel)
        t.cell[sel] = kSwapPairs[sel][1] == 3 ? kSwapPairs[sel][0] : 3;
    return t;
}();

inline uint8_t alive(uint32_t pixel)
{
    return (pixel >> 2) & 1;
}

} // namespace

void pairSwapsPortable(uint32_t& state, const uint32_t* P, uint8_t* cells, uint32_t first, uint32_t end, uint32_t W)
{
    uint32_t from[8];
    for (int sel = 0; sel < 8; ++sel)
        from[sel] = (kEndsInD.cell[sel] & 1u) + (kEndsInD.cell[sel] >> 1) * W;
    uint16_t random[kChunk];
    for (uint32_t j = end; j > first;) {
        const uint32_t count = j - first < kChunk ? j - first : kChunk;
        nextRandomsPortable(state, random, count);
        for (uint32_t k = 0; k < count; ++k) {
            const uint32_t i = j - 1 - k;
            cells[i + W + 1] = alive(P[i + from[random[k] & 7]]);
        }
        j -= count;
    }
}

#ifdef __SSE2__
void pairSwapsSse2(uint32_t& state, const uint32_t* P, uint8_t* cells, uint32_t first, uint32_t end, uint32_t W)
{
    // Sixteen anchors a step, highest first: lane l of register g holds
    // anchor base + 4g + l, whose number is draw 15 - 4g - l of the step.
    constexpr RandomJump kSixteen = randomJump(16);
    const uint32_t steps = (end - first) / 16;
    if (steps > 0) {
        alignas(16) uint32_t lanes[16];
        for (int d = 0; d < 16; ++d)
            lanes[15 - d] = state = state * 214013u + 2531011u;
        __m128i s[4];
        for (int g = 0; g < 4; ++g)
            s[g] = _mm_load_si128(reinterpret_cast<const __m128i*>(lanes + 4 * g));
        const __m128i a = _mm_set1_epi32(int32_t(kSixteen.a)), c = _mm_set1_epi32(int32_t(kSixteen.c));
        const __m128i seven = _mm_set1_epi32(7), one = _mm_set1_epi32(1);
        const __m128i three = _mm_set1_epi32(3), four = _mm_set1_epi32(4), six = _mm_set1_epi32(6);
        for (uint32_t n = 0; n < steps; ++n) {
            const uint32_t base = end - 16 * (n + 1);
            __m128i live[4];
            for (int g = 0; g < 4; ++g) {
                const uint32_t* p = P + base + 4 * g;
                const __m128i sel = _mm_and_si128(_mm_srli_epi32(s[g], 16), seven);
                // kEndsInD: one column right for 0 1 2 3 6, one row down but for 3 4.
                const __m128i right = _mm_or_si128(_mm_cmplt_epi32(sel, four), _mm_cmpeq_epi32(sel, six));
                const __m128i up = _mm_or_si128(_mm_cmpeq_epi32(sel, three), _mm_cmpeq_epi32(sel, four));
                const auto pick = [](__m128i mask, __m128i yes, __m128i no) {
                    return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
                };
                const auto load = [](const uint32_t* q) {
                    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
                };
                const __m128i top = pick(right, load(p + 1), load(p));
                const __m128i bottom = pick(right, load(p + W + 1), load(p + W));
                live[g] = _mm_and_si128(_mm_srli_epi32(pick(up, top, bottom), 2), one);
                const __m128i even = _mm_mul_epu32(s[g], a), odd = _mm_mul_epu32(_mm_srli_epi64(s[g], 32), a);
                s[g] = _mm_add_epi32(_mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                                                        _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0))),
                                     c);
            }
            const __m128i bytes =
                _mm_packus_epi16(_mm_packs_epi32(live[0], live[1]), _mm_packs_epi32(live[2], live[3]));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(cells + base + W + 1), bytes);
        }
        // The last draw made is lane 0 of register 0, one step behind it now.
        constexpr RandomJump kBack = randomJump((uint64_t(1) << 32) - 16);
        state = uint32_t(_mm_cvtsi128_si32(s[0])) * kBack.a + kBack.c;
        end -= 16 * steps;
    }
    pairSwapsPortable(state, P, cells, first, end, W);
}
#endif

void blockIndicesPortable(uint32_t& state, uint16_t* index, const uint8_t* top, const uint8_t* bottom,
                          uint32_t count)
{
    for (uint32_t k = 0; k < count; ++k)
        index[k] = uint16_t(nextRandom(state) % 12 * 3 + top[k] + bottom[k]);
}

#ifdef __SSE2__
void blockIndicesSse2(uint32_t& state, uint16_t* index, const uint8_t* top, const uint8_t* bottom, uint32_t count)
{
    nextRandomsSse2(state, index, count);
    // r / 12 is (r × 43691) >> 19 for every r below 2^17.
    const __m128i magic = _mm_set1_epi16(int16_t(43691)), twelve = _mm_set1_epi16(12), zero = _mm_setzero_si128();
    uint32_t k = 0;
    for (; k + 8 <= count; k += 8) {
        const __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i*>(index + k));
        const __m128i rest = _mm_sub_epi16(r, _mm_mullo_epi16(_mm_srli_epi16(_mm_mulhi_epu16(r, magic), 3), twelve));
        const __m128i t = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(top + k));
        const __m128i b = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(bottom + k));
        const __m128i live = _mm_unpacklo_epi8(_mm_add_epi8(t, b), zero);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(index + k),
                         _mm_add_epi16(_mm_add_epi16(rest, _mm_add_epi16(rest, rest)), live));
    }
    for (; k < count; ++k)
        index[k] = uint16_t(index[k] % 12 * 3 + top[k] + bottom[k]);
}
#endif

namespace {

void blockIndices(uint32_t& state, uint16_t* index, const uint8_t* top, const uint8_t* bottom, uint32_t count)
{
    switch (simdLevel()) {
#ifdef SOFTDEMO_AVX2_FORMS
    case SimdLevel::Avx2: return blockIndicesAvx2(state, index, top, bottom, count);
#endif
#ifdef __SSE2__
    case SimdLevel::Sse2: return blockIndicesSse2(state, index, top, bottom, count);
#endif
    default: return blockIndicesPortable(state, index, top, bottom, count);
    }
}

void pairSwaps(uint32_t& state, const uint32_t* P, uint8_t* cells, uint32_t first, uint32_t end, uint32_t W)
{
    switch (simdLevel()) {
#ifdef SOFTDEMO_AVX2_FORMS
    case SimdLevel::Avx2: return pairSwapsAvx2(state, P, cells, first, end, W);
#endif
#ifdef __SSE2__
    case SimdLevel::Sse2: return pairSwapsSse2(state, P, cells, first, end, W);
#endif
    default: return pairSwapsPortable(state, P, cells, first, end, W);
    }
}

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
            pairSwaps(s, P, cell, first, end, W);
        });
        skipRandom(state, anchors);
        j = W;
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
            uint64_t k16 = 16 * uint32_t(top[0] + bottom[0]), f = 0;
            for (uint32_t x0 = 0; x0 < W; x0 += kChunk) {
                const uint32_t count = W - x0 < kChunk ? W - x0 : kChunk;
                uint8_t* t = top + x0;
                uint8_t* b = bottom + x0;
                // Blocks whose right cells this row has not written yet: all
                // but the last, whose right cells are what the first left.
                const uint32_t known = count < W - x0 - 1 ? count : W - x0 - 1;
                blockIndices(state, index, t + 1, b + 1, known);
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
