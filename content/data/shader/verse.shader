; verse.shader -- the surfaces of the deform hall (bars 65-80): lit by the moon and the lantern (fixed-function
; lighting), the knot's glass added over the picture.

Shader {
  Info "floor of the hall: grey noise in blue light, tiled (no mipmaps: the cheapest filtering on a big floor)"
  Name "verse_floor"
  Lighting yes
  Material {
    Enable yes
    Ambient 0.12 0.17 0.38 1
    Diffuse 0.32 0.4 0.75 1
    Specular 0.5 0.45 0.4 1
    Shininess 24
  }
  Texture {
    TexUnit UNIT0
    Image "noise_grey.tga"
    ScaleS {
      { Envelope
        1
        Key 5 0 3 0 0 0 0 0 0 0
        Behaviors 1 1
      }
    }
    ScaleT {
      { Envelope
        1
        Key 5 0 3 0 0 0 0 0 0 0
        Behaviors 1 1
      }
    }
  }
}

Shader {
  Info "the hall's columns: dark blue stone"
  Name "verse_column"
  Lighting yes
  Material {
    Enable yes
    Ambient 0.15 0.2 0.4 1
    Diffuse 0.35 0.45 0.75 1
    Specular 0.3 0.3 0.4 1
    Shininess 16
  }
  Texture {
    TexUnit UNIT0
    Image "noise_grey.tga"
  }
}

Shader {
  Info "the deformed shapes: warm polished stone"
  Name "verse_stone"
  Lighting yes
  Material {
    Enable yes
    Ambient 0.4 0.27 0.2 1
    Diffuse 1 0.8 0.6 1
    Specular 1 0.9 0.75 1
    Shininess 48
  }
  Texture {
    TexUnit UNIT0
    Image "noise_warm.jpg"
  }
}

Shader {
  Info "the floating knot: plasma glass, added over what is behind it"
  Name "verse_glass"
  Lighting yes
  Cull {
    Enable no
  }
  Blend {
    Enable yes
    Src SRC_ALPHA
    Dst ONE
  }
  Material {
    Enable yes
    Ambient 0.1 0.15 0.3 0.6
    Diffuse 0.45 0.65 1 0.6
    Specular 1 1 1 0.6
    Shininess 64
  }
  Texture {
    TexUnit UNIT0
    Image "plasma.jpg"
    TranslateS {
      { Envelope
        2
        Key 0 128 3 0 0 0 0 0 0 0
        Key 4 160 3 0 0 0 0 0 0 0
        Behaviors 1 1
      }
    }
  }
}
