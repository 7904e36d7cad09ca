; images.shader -- every picture of the show. Names are the files in data\art\ and data\fnt\;
; the aliases are the names the engine itself asks for.

; Backgrounds: noise, plasma and gradients, all tiling.
Image {
  Type 2D
  Format RGB
  Name "plasma.jpg"
  State {
    Wrap WRAP_S_WRAP_T
    Filter LINEAR
    Mipmap LINEAR_LINEAR
  }
}
Image {
  Type 2D
  Format RGB
  Name "noise_blue.png"
  State {
    Wrap WRAP_S_WRAP_T
    Filter LINEAR
    Mipmap LINEAR_LINEAR
  }
}
Image {
  Type 2D
  Format RGB
  Name "noise_warm.jpg"
  State {
    Wrap WRAP_S_WRAP_T
    Filter LINEAR
    Mipmap LINEAR_LINEAR
  }
}
Image {
  Type 2D
  Format RGB
  Name "noise_grey.tga"
  State {
    Wrap WRAP_S_WRAP_T
  }
}
Image {
  Format RGB
  Name "gradient_blue.tga"
  State {
    Wrap CLAMP_EDGE_S_CLAMP_EDGE_T
  }
}
Image {
  Format RGB
  Name "gradient_warm.tga"
  State {
    Wrap CLAMP_EDGE_S_CLAMP_EDGE_T
  }
}
Image {
  Format RGB
  Name "gradient_radial.png"
  State {
    Wrap CLAMP_EDGE_S_CLAMP_EDGE_T
  }
}
Image {
  Format RGB
  Name "bars.jpg"
  State {
    Wrap WRAP_S_WRAP_T
  }
}

; Brushes: grey levels in colour and alpha.
Image {
  Format RGBA
  Name "brush_soft.png"
  State {
    Wrap CLAMP_EDGE_S_CLAMP_EDGE_T
  }
}
Image {
  Format RGBA
  Name "brush_dissolve.png"
  State {
    Wrap CLAMP_EDGE_S_CLAMP_EDGE_T
  }
}
Image {
  Format RGBA
  Name "brush_clouds.tga"
  State {
    Wrap CLAMP_EDGE_S_CLAMP_EDGE_T
  }
}

; Text pictures: sharp above, blurred below.
Image {
  Format RGBA
  Name "textfade_group.png"
  State {
    Wrap CLAMP_EDGE_S_CLAMP_EDGE_T
  }
}
Image {
  Format RGBA
  Name "textfade_title.png"
  State {
    Wrap CLAMP_EDGE_S_CLAMP_EDGE_T
  }
}
Image {
  Format RGBA
  Name "textfade_year.png"
  State {
    Wrap CLAMP_EDGE_S_CLAMP_EDGE_T
  }
}

; The bitmap font.
Image {
  Type 2D
  Format RGBA
  Name "font.png"
  State {
    Wrap CLAMP_EDGE_S_CLAMP_EDGE_T
    Filter LINEAR
  }
}

; Lens-flare sprites.
Image {
  Format RGB
  Name "lensflare1.png"
  Alias "sg_lensflare_1"
}
Image {
  Format RGB
  Name "lensflare2.png"
  Alias "sg_lensflare_2"
}
Image {
  Format RGB
  Name "lensflare3.png"
  Alias "sg_lensflare_3"
}
Image {
  Format RGB
  Name "lensflare4.png"
  Alias "sg_lensflare_4"
}
Image {
  Format RGB
  Name "lensflare5.png"
  Alias "sg_lensflare_5"
}
Image {
  Format RGB
  Name "lensflare6.png"
  Alias "sg_lensflare_6"
}

; Light maps for the lit scenes.
Image {
  Type 1D
  Format RGB
  Name "attenuation1d.png"
  Alias "PointLightAttenuation1D"
  State {
    Wrap CLAMP_EDGE_S_CLAMP_EDGE_T
  }
}
Image {
  Type CUBEMAP
  Format RGB
  Name "spotlight.tga"
  Alias "SpotLightCubeMap"
  State {
    Wrap CLAMP_EDGE_S_CLAMP_EDGE_T
  }
}
Image {
  Format RGB
  Name "bricks_normal.png"
}
Image {
  Format RGBA
  Name "fireandsmoke.tga"
  Alias "fireandsmoke"
  State {
    Wrap CLAMP_EDGE_S_CLAMP_EDGE_T
  }
}
