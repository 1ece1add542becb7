// BindTexture: not written yet.
