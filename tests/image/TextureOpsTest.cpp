// TextureOpsTest: placeholder
