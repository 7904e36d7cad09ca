; break.shader -- the shaders of the section's scenes.

; The iso-surface: deep blue body, warm highlights from the key light, a faint blue glow of its own.
Shader {
  Info "lit glossy blob"
  Name "break_blob"
  Lighting yes
  Cull {
    Enable no
  }
  Material {
    Enable yes
    Ambient 0.05 0.12 0.6 1
    Diffuse 0.1 0.3 1 1
    Specular 1 0.75 0.45 1
    Emission 0.02 0.05 0.2 1
    Shininess 18
  }
}

; Beads rising through the shot: small lit gold spheres.
Shader {
  Info "lit gold bead"
  Name "break_bead"
  Lighting yes
  Material {
    Enable yes
    Ambient 0.3 0.15 0.05 1
    Diffuse 1 0.6 0.25 1
    Specular 1 1 0.9 1
    Emission 0.25 0.1 0.02 1
    Shininess 60
  }
}

; Flames: the fire puff texture blended over (added on, orange would turn pink on the blue), no depth writes
; so that the puffs do not cut each other.
Shader {
  Info "blended flame puffs"
  Name "break_flame"
  Lighting no
  Cull {
    Enable no
  }
  Blend {
    Enable yes
    Src SRC_ALPHA
    Dst ONE_MINUS_SRC_ALPHA
  }
  ZBuffer {
    Enable yes
    Write no
  }
  Texture {
    TexUnit UNIT0
    Image "fireandsmoke.tga"
  }
}

; Spark streaks: a soft round brush stretched along the motion.
Shader {
  Info "additive soft streaks"
  Name "break_spark"
  Lighting no
  Cull {
    Enable no
  }
  Blend {
    Enable yes
    Src SRC_ALPHA
    Dst ONE
  }
  ZBuffer {
    Enable yes
    Write no
  }
  Texture {
    TexUnit UNIT0
    Image "lensflare1.png"
  }
}

; Rain lines and mist points: untextured, added on.
Shader {
  Info "additive lines and points"
  Name "break_streak"
  Lighting no
  Blend {
    Enable yes
    Src SRC_ALPHA
    Dst ONE
  }
  ZBuffer {
    Enable yes
    Write no
  }
}
