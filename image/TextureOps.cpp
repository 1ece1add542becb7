// TextureOps: not written yet.
