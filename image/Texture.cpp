// Texture: not written yet.
