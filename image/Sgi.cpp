// Sgi: not written yet.
