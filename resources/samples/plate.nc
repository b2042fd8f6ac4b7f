%
(PLATE.NC - mounting plate 80 x 50 mm, 6 mm aluminium)
(Zero: lower left corner of the stock, top face)
(Tool 1: 3 mm two-flute end mill, also used to spot and drill the holes)
G21 G90 G17 ; millimetres, absolute coordinates, XY plane
M6 T1
M3 S12000
G0 Z5
(Rectangular pocket 20 x 20 mm, 2 mm deep, two 1 mm passes)
G0 X11.5 Y16.5
G1 Z-1 F300
G1 X28.5 F600
Y33.5
X11.5
Y16.5
G1 Z-2 F300
G1 X28.5 F600
Y33.5
X11.5
Y16.5
G0 Z5
(Arc slot, 20 mm across, 1.5 mm deep)
G0 X48 Y25
G1 Z-1.5 F300
G2 X68 Y25 I10 J0 F500
G3 X48 Y25 I-10 J0
G0 Z5
(Outline with 5 mm corner radii, two passes, the second one through)
G0 X5 Y-1.5
G1 Z-3 F300
G1 X75 F600
G3 X81.5 Y5 I0 J6.5
G1 Y45
G3 X75 Y51.5 I-6.5 J0
G1 X5
G3 X-1.5 Y45 I0 J-6.5
G1 Y5
G3 X5 Y-1.5 I6.5 J0
G1 Z-6.2 F300
G1 X75 F600
G3 X81.5 Y5 I0 J6.5
G1 Y45
G3 X75 Y51.5 I-6.5 J0
G1 X5
G3 X-1.5 Y45 I0 J-6.5
G1 Y5
G3 X5 Y-1.5 I6.5 J0
G0 Z5
(Four corner holes, 4 mm deep)
G81 X8 Y8 Z-4 R2 F200
X72
Y42
X8
G80
(Centre hole, drilled through in three pecks)
G83 X40 Y25 Z-6.5 R2 Q3 F150
G80
G0 Z10
M5
G0 X0 Y0
M30
%
