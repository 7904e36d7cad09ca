; break.shader -- the shaders of the section's scenes.
