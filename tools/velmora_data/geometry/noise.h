// Deterministic lattice noise for the generated shapes: the same numbers on every run
// and every machine, since the lattice values come from an integer hash.
#pragma once

namespace velmora_data {

// Smooth value noise in -1..1 on a unit lattice that repeats every period cells along
// each axis (a period of 0 does not repeat).
double valueNoise(double x, double y, unsigned seed, int periodX = 0, int periodY = 0);
double valueNoise3(double x, double y, double z, unsigned seed);

// Octaves of valueNoise, each twice the frequency and half the amplitude; the periods
// double with the frequency so that the sum repeats like the first octave.
double fractalNoise(double x, double y, unsigned seed, int octaves, int periodX = 0, int periodY = 0);

}  // namespace velmora_data
