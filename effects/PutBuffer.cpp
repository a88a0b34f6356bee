#include "effects/PutBuffer.h"

#include <algorithm>
#include <cstring>

#include "effects/PixelOps.h"
#include "effects/Random.h"
#include "params/Maths.h"
#include "params/Truncate.h"

namespace {

// Calls row(targetRow, sourceRow, count) for every source row that lands in
// target rows first ... end - 1 when the source's top-left corner is at
// (x0, y0), x0 >= 0.
template <class RowOp>
void forEachClippedRow(const PixelBuffer& src, PixelBuffer& dst, int64_t x0, int64_t y0, uint32_t first,
                       uint32_t end, RowOp row)
{
    const int64_t W = dst.width, H = std::min<int64_t>(dst.height, end);
    if (x0 >= W)
        return;
    const size_t count = size_t(std::min<int64_t>(src.width, W - x0));
    const int64_t top = std::max<int64_t>(0, int64_t(first) - y0);
    const int64_t bottom = std::min<int64_t>(src.height, H - y0);
    for (int64_t i = top; i < bottom; ++i)
        row(dst.pixels + (y0 + i) * W + x0, src.pixels + i * src.width, count);
}

} // namespace

PutBuffer::PutBuffer()
{
    setClassName(typeid(*this));
    addVariable(&flag, "flag", "draws only when not 0");
    addVariable(&posX, "posX", "left edge of the picture in the target, in pixels");
    addVariable(&posY, "posY", "top edge of the picture in the target, in rows (may be negative)");
    addVariable(&alpha, "alpha", "strength 0 ... 255 of modes 1, 2 and 3");
    addVariable(&blendmode, "blendmode", "0 copy, 1 add, 2 subtract, 3 blend by the picture's alpha; "
                                              "others draw nothing");
    addVariable(&randFlag, "randFlag", "when not 0, mode 3 jitters by a random offset each frame");
    addVariable(&randAmount, "randAmount", "the jitter's range: offsets 0 ... randAmount - 1");
    addVariable(&random2, "random2", "when not 0, a random row 0 ... 894 each frame: where modes 1 and 2 start "
                                        "reading the picture, the top edge otherwise (left in posY)");
    addVariable(&fromBuffer, "fromBuffer", "the picture drawn");
    addVariable(&pixelRef, "pixelRef", "the buffer it draws into");
    addVariable(&sinewave, "sinewave", "when exactly 1, mode 3 wobbles up and down");
    addVariable(&amplitude, "amplitude", "the wobble's height in rows");
    addVariable(&time, "time", "the wobble's phase in radians");
}

void PutBuffer::draw()
{
    if (flag == 0 || !pixelRef || !fromBuffer || pixelRef->bytesPerPixel == 2 || pixelRef->bytesPerPixel == 3)
        return;
    if (fromBuffer != pixelRef) {
        drawInOneBand();
        return;
    }
    beginFrame();
    drawRange(0, pixelRef->height, true);
}

DrawPlan PutBuffer::beginDraw(Workers&)
{
    if (flag == 0 || !pixelRef || !fromBuffer || pixelRef->bytesPerPixel == 2 || pixelRef->bytesPerPixel == 3)
        return {DrawPlan::Nothing};
    // A buffer put onto itself reads rows that this pass has already written.
    if (fromBuffer == pixelRef)
        return {DrawPlan::Whole};
    beginFrame();
    if (blendmode > 3 || ((blendmode == 1 || blendmode == 2) && !changesPixels()))
        return {DrawPlan::Nothing};
    return {DrawPlan::Rows, fromBuffer};
}

bool PutBuffer::changesPixels() const
{
    // Source pixels past the end read as 0, which leaves the target as it
    // is, and so does an alpha of 0 or 1, which scales every byte to 0.
    return frameOffset < fromBuffer->pixelCount && alpha > 1;
}

bool PutBuffer::wholeTargetPass(SaturatingPass& pass) const
{
    if ((blendmode != 1 && blendmode != 2) || fromBuffer->pixelCount - frameOffset < pixelRef->pixelCount)
        return false;
    const uint8_t* grey = fromBuffer->grey();
    pass = {fromBuffer->pixels + frameOffset, grey ? grey + frameOffset : nullptr, alpha, blendmode == 2};
    return true;
}

bool PutBuffer::darkenedRect(PixelRect& rect) const
{
    if (blendmode != 3 || alpha > 1)
        return false;
    // As forEachClippedRow clips.
    const PixelBuffer& T = *pixelRef;
    const int64_t top = std::max<int64_t>(frameY, 0);
    const int64_t bottom = std::min<int64_t>(frameY + fromBuffer->height, T.height);
    if (frameX >= T.width || top >= bottom)
        rect = {0, 0, 0, 0};
    else
        rect = {uint32_t(frameX), uint32_t(std::min<int64_t>(frameX + fromBuffer->width, T.width)), uint32_t(top),
                uint32_t(bottom)};
    return true;
}

void darkenTogether(PixelBuffer& target, const PixelRect* rects, size_t n, uint32_t first, uint32_t end)
{
    // Darkening by a and then by b is darkening by a + b, so each row is
    // darkened once, pixel by pixel by the number of rectangles over it. Up
    // to 32 rectangles and 1024 columns at a time, so that the numbers fit on
    // the stack; rows under the same rectangles share them.
    constexpr uint32_t kRects = 32, kColumns = 1024;
    uint8_t steps[kColumns + 1], over[kColumns];
    const uint32_t rows = std::min<uint32_t>(end, target.height);
    for (size_t from = 0; from < n; from += kRects) {
        const size_t to = std::min<size_t>(n, from + kRects);
        for (uint32_t x0 = 0; x0 < target.width; x0 += kColumns) {
            const uint32_t x1 = std::min<uint32_t>(target.width, x0 + kColumns);
            uint32_t counted = 0, lo = 0, hi = 0; // the rectangles `over` counts, and where it is not 0
            for (uint32_t y = first; y < rows; ++y) {
                uint32_t under = 0;
                for (size_t r = from; r < to; ++r)
                    if (rects[r].top <= y && y < rects[r].bottom && rects[r].left < std::min(rects[r].right, x1) &&
                        std::max(rects[r].left, x0) < rects[r].right)
                        under |= 1u << (r - from);
                if (under == 0)
                    continue;
                if (under != counted) {
                    counted = under, lo = x1, hi = x0;
                    for (size_t r = from; r < to; ++r)
                        if (under >> (r - from) & 1) {
                            lo = std::min(lo, std::max(rects[r].left, x0));
                            hi = std::max(hi, std::min(rects[r].right, x1));
                        }
                    std::fill(steps + (lo - x0), steps + (hi - x0) + 1, uint8_t(0));
                    for (size_t r = from; r < to; ++r)
                        if (under >> (r - from) & 1) {
                            ++steps[std::max(rects[r].left, x0) - x0];
                            --steps[std::min(rects[r].right, x1) - x0];
                        }
                    uint8_t sum = 0;
                    for (uint32_t x = lo - x0; x < hi - x0; ++x)
                        over[x] = sum = uint8_t(sum + steps[x]);
                }
                darkenPixels(target.pixels + size_t(y) * target.width + lo, over + (lo - x0), hi - lo);
            }
        }
    }
}

void PutBuffer::drawRows(uint32_t first, uint32_t end)
{
    drawRange(first, end, false);
}

void PutBuffer::beginFrame()
{
    // Both numbers are drawn even when randAmount is 0 (then there is no jitter).
    int32_t jx = 0, jy = 0;
    if (randFlag != 0) {
        const int32_t r1 = int32_t(nextRandom());
        const int32_t r2 = int32_t(nextRandom());
        if (randAmount != 0) {
            jx = r1 % randAmount;
            jy = r2 % randAmount;
        }
    }

    int64_t Y = posY;
    if (sinewave == 1) {
        const float wave = float(maths::sin(double(time))) * float(amplitude);
        Y = truncToInt32(wave + float(int32_t(uint32_t(posY) + 95u)));
    }

    frameOffset = 0;
    if (random2 != 0) {
        const int32_t R = int32_t(nextRandom() % 895);
        posY = R;
        Y = R;
        frameOffset = size_t(pixelRef->width) * size_t(R);
    }
    // The copy goes to posY as it stands now; the blend to the wobbled, jittered row.
    frameX = blendmode == 3 ? int64_t(posX) + jx : posX;
    frameY = blendmode == 3 ? Y + jy : posY;
}

// In place, rows go top to bottom and pixels one after the other, each
// reading what the pass has written so far, as the blend is defined.
void PutBuffer::drawRange(uint32_t first, uint32_t end, bool inPlace)
{
    PixelBuffer& T = *pixelRef;
    const PixelBuffer& S = *fromBuffer;
    switch (blendmode) {
    case 0:
        forEachClippedRow(S, T, frameX, frameY, first, end, [inPlace](uint32_t* t, const uint32_t* s, size_t count) {
            if (!inPlace)
                std::memcpy(t, s, count * sizeof *t);
            else
                for (size_t k = 0; k < count; ++k)
                    t[k] = s[k];
        });
        break;
    case 1:
    case 2: {
        // In place, the source index O + k never trails k, so every read sees
        // the pixel before this pass changed it.
        if (!changesPixels())
            break;
        const size_t count = std::min<size_t>(T.pixelCount, S.pixelCount - frameOffset);
        const size_t from = size_t(first) * T.width;
        const size_t to = std::min<size_t>(count, size_t(std::min<uint32_t>(end, T.height)) * T.width);
        if (from >= to)
            break;
        if (blendmode == 1)
            addScaled(T.pixels + from, S.pixels + frameOffset + from, to - from, alpha);
        else
            subtractScaled(T.pixels + from, S.pixels + frameOffset + from, to - from, alpha);
        break;
    }
    case 3: {
        const uint8_t a = alpha;
        forEachClippedRow(S, T, frameX, frameY, first, end, [a, inPlace](uint32_t* t, const uint32_t* s, size_t count) {
            if (!inPlace)
                blendByAlpha(t, s, count, a);
            else
                blendByAlphaPortable(t, s, count, a);
        });
        break;
    }
    default: break;
    }
}
