// TapeStop tests: written with the effect.
