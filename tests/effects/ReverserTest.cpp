// Reverser tests: written with the effect.
