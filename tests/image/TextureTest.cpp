// TextureTest: no cases yet.
