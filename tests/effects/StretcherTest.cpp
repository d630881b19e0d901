// Stretcher tests: written with the effect.
