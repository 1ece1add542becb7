// Flare: not written yet.
