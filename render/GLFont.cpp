// GLFont: not written yet.
