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
