; lighting.shader -- the per-pixel lighting of the lit scenes: the three shaders the lighting groups look up by
; name, their ARB programs, and the surfaces that go with them.

; Point light. The group gives, per corner, the light's offset divided by its reach, scaled into [0, 1]: (x, y)
; on unit 0 and z on unit 1; the corner colour is the facing of the corner, unit 1's colour the light's. The
; distance is taken per pixel and looked up in the attenuation ramp. Lit twice over, so that a light seen
; at a slant still fills its pool; the frame buffer clamps what is too bright.
Program {
  Type FRAGMENT
  Name "perpixel_point"
  !!ARBfp1.0
PARAM one = {1, 1, 1, 1};
PARAM two = {2, 2, 2, 2};
TEMP a, d, fall;
MAD a.xy, fragment.texcoord[0], two, -one;
MAD a.z, fragment.texcoord[1].x, two.x, -one.x;
DP3 d.x, a, a;
RSQ d.y, d.x;
RCP d.x, d.y;
MIN d.x, d.x, one.x;
TEX fall, d, texture[0], 1D;
MUL fall, fall, fragment.color;
MUL fall, fall, two;
MUL result.color.xyz, fall, state.texenv[1].color;
MOV result.color.w, one.x;
END
}

; Spot light. Unit 0's coordinates are the corner in the light's space with the cone scaled to the cutoff: the
; cube map holds the cone's soft edge. A touch of falloff along the axis keeps the far floor darker; lit twice
; over like the point light.
Program {
  Type FRAGMENT
  Name "perpixel_spot"
  !!ARBfp1.0
PARAM one = {1, 1, 1, 1};
PARAM reach = {0.02, 0, 0, 0};
TEMP cone, fall;
TEX cone, fragment.texcoord[0], texture[0], CUBE;
MUL fall.x, fragment.texcoord[0].z, reach.x;
MAD_SAT fall.x, -fall.x, fall.x, one.x;
MUL cone, cone, fall.x;
ADD cone, cone, cone;
MUL result.color.xyz, cone, state.texenv[1].color;
MOV result.color.w, one.x;
END
}

; Bump map, vertex stage. local[1]: the light in the mesh's space, local[2]: 1 / its reach per axis. Out: the
; texture coordinates, the light and the half-way vectors in tangent space (tangent and binormal arrive as
; coordinate sets 1 and 2), and the offset to the light over its reach.
Program {
  Type VERTEX
  Name "perpixel_bump"
  !!ARBvp1.0
OPTION ARB_position_invariant;
PARAM light = program.local[1];
PARAM reach = program.local[2];
PARAM inverse[4] = { state.matrix.modelview.inverse };
TEMP l, v, h;
SUB l, light, vertex.position;
MOV v.x, inverse[0].w;
MOV v.y, inverse[1].w;
MOV v.z, inverse[2].w;
SUB v, v, vertex.position;
DP3 v.w, v, v;
RSQ v.w, v.w;
MUL v.xyz, v, v.w;
DP3 h.w, l, l;
RSQ h.w, h.w;
MAD h.xyz, l, h.w, v;
DP3 result.texcoord[1].x, l, vertex.texcoord[1];
DP3 result.texcoord[1].y, l, vertex.texcoord[2];
DP3 result.texcoord[1].z, l, vertex.normal;
DP3 result.texcoord[3].x, h, vertex.texcoord[1];
DP3 result.texcoord[3].y, h, vertex.texcoord[2];
DP3 result.texcoord[3].z, h, vertex.normal;
MUL result.texcoord[2].xyz, l, reach;
MOV result.texcoord[0], vertex.texcoord[0];
END
}

; Bump map, fragment stage. local[0]: the light's colour. The normal comes from the normal map; diffuse and a
; specular highlight, both fading to nothing at the light's reach and where the surface turns away from it.
Program {
  Type FRAGMENT
  Name "perpixel_bump"
  !!ARBfp1.0
PARAM colour = program.local[0];
PARAM one = {1, 1, 1, 1};
PARAM two = {2, 2, 2, 2};
PARAM shine = {32, 0.5, 4, 0};
TEMP n, l, h, d, fall;
TEX n, fragment.texcoord[0], texture[0], 2D;
MAD n.xyz, n, two, -one;
DP3 d.x, n, n;
RSQ d.x, d.x;
MUL n.xyz, n, d.x;
DP3 d.x, fragment.texcoord[1], fragment.texcoord[1];
RSQ d.x, d.x;
MUL l.xyz, fragment.texcoord[1], d.x;
DP3 d.x, fragment.texcoord[3], fragment.texcoord[3];
RSQ d.x, d.x;
MUL h.xyz, fragment.texcoord[3], d.x;
DP3_SAT d.x, n, l;
DP3_SAT d.y, n, h;
POW d.y, d.y, shine.x;
MUL_SAT d.w, l.z, shine.z;
MAD d.z, d.y, shine.y, d.x;
MUL d.z, d.z, d.w;
DP3 fall.x, fragment.texcoord[2], fragment.texcoord[2];
SUB_SAT fall.x, one.x, fall.x;
MUL d.z, d.z, fall.x;
MUL result.color.xyz, colour, d.z;
MOV result.color.w, one.x;
END
}

; The surfaces of the bump-mapped meshes when their own pass draws them: the bricks' colour, dimly, before
; the lights are added.
Program {
  Type FRAGMENT
  Name "dim_bricks"
  !!ARBfp1.0
PARAM tint = {0.16, 0.11, 0.09, 1};
TEMP c;
TEX c, fragment.texcoord[0], texture[0], 2D;
MUL result.color, c, tint;
END
}

Shader {
  Info "per-pixel point light: the attenuation ramp on unit 0"
  Name "PerPixelPointLightShader"
  Lighting no
  Texture {
    TexUnit UNIT0
    Image "PointLightAttenuation1D"
  }
  Fragment {
    Enable yes
    Name "perpixel_point"
  }
}

Shader {
  Info "per-pixel spot light: the cone cube map on unit 0"
  Name "PerPixelSpotLightShader"
  Lighting no
  Texture {
    TexUnit UNIT0
    Image "SpotLightCubeMap"
  }
  Fragment {
    Enable yes
    Name "perpixel_spot"
  }
}

Shader {
  Info "bump-mapped light, added over the drawn surfaces"
  Name "PerPixelBumpMapShader"
  Lighting no
  Blend {
    Enable yes
    Src ONE
    Dst ONE
  }
  Texture {
    TexUnit UNIT0
    Image "bricks_normal.png"
  }
  Vertex {
    Enable yes
    Name "perpixel_bump"
  }
  Fragment {
    Enable yes
    Name "perpixel_bump"
  }
}

; Surfaces the per-pixel light is multiplied by.
Shader {
  Info "warm stone surface for per-pixel light"
  Name "lit_stone"
  Lighting no
  Texture {
    TexUnit UNIT0
    Image "noise_warm.jpg"
  }
}

Shader {
  Info "dim bricks under bump-mapped light"
  Name "lit_bricks"
  Lighting no
  Texture {
    TexUnit UNIT0
    Image "noise_warm.jpg"
  }
  Fragment {
    Enable yes
    Name "dim_bricks"
  }
}
