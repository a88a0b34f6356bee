#pragma once
#include "effects/Effect.h"

// Fills the whole target with one pixel word, top byte included.
class Clear : public Effect {
public:
    uint32_t color = 0;
    int8_t flag = 0;

    Clear();
    void draw() override;
    DrawPlan beginDraw(Workers& workers) override;
    void drawRows(uint32_t first, uint32_t end) override;
};

// A 32 x 32 block of one pixel word at (posX, posY). A block past the right
// edge continues on the next row; writes outside the buffer are skipped.
class Box : public Effect {
public:
    uint16_t posX = 0;
    uint16_t posY = 0;
    uint32_t color = 0;
    int8_t flag = 0;

    Box();
    void draw() override;
    DrawPlan beginDraw(Workers& workers) override;
    void drawRows(uint32_t first, uint32_t end) override;
};

// Box's byte-sized sibling: a 32 x 32 block of bytes, treating the buffer as
// one byte per pixel with the buffer's width as the row stride.
class Circle : public Effect {
public:
    int32_t posX = 0;
    int32_t posY = 0;
    uint8_t color = 0;
    int8_t flag = 0;

    Circle();
    void draw() override;
    DrawPlan beginDraw(Workers& workers) override;
    void drawRows(uint32_t first, uint32_t end) override;
};
