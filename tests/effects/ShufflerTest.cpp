// Shuffler tests: written with the effect.
