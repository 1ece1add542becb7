// Cube: not written yet.
