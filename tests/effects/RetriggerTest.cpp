// Retrigger tests: written with the effect.
