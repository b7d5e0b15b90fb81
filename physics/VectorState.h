#pragma once

// The physics runs on glibc's exp and log, which become several times slower when the upper
// halves of the AVX registers are left in use. Qt's raster painting and its string hashing leave
// them so, and the plan's recomputation follows both (a repaint, a composition parsed through a
// hash), so every way into the physics clears them first.

// Clears the upper AVX state where the processor has one; nothing on other processors or
// compilers. It changes no number, only the speed of what follows.
void cleanVectorState();

// What xgetbv(1) says of the upper AVX state: 1 in use, 0 clean, -1 when the processor cannot say
// (no AVX, no XGETBV with ECX=1, or not an x86 build).
int avxUpperStateInUse();

// A record of the state at the entries of the physics, off unless asked for: a test reads it
// after an edit that followed a repaint.
struct VectorStateLog
{
    int entries = 0; // entries seen while recording
    int dirty = 0;   // of them, entered with the upper state in use
    int unknown = 0; // of them, where the processor could not say
};
void recordVectorState(bool on); // starts from nothing, or stops and keeps what it saw
VectorStateLog vectorStateLog();

// Called at the entries of the physics, after cleanVectorState: one test of a flag while nothing
// records.
void noteVectorState();
