// Gater tests: written with the effect.
