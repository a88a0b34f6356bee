#pragma once

// Sine, cosine and arc tangent of our own, in place of the C library's, whose
// results may differ in the last bit from one library to another (glibc,
// musl in the browser) and so move pixels. These are evaluated in
// double-double arithmetic from +, -, * and / alone, so every IEEE 754 target
// gives the same bits, and they round correctly but in very rare cases.
// (Square root needs no such care: IEEE 754 rounds it correctly everywhere.)
namespace maths {

double sin(double x);
double cos(double x);
double atan2(double y, double x);

} // namespace maths
