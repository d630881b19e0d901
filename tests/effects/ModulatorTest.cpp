// Modulator tests: written with the effect.
