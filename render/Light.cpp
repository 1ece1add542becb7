// Light: not written yet.
