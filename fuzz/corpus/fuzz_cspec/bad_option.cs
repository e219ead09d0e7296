element * /main/LATEST -mkbrnch dev
