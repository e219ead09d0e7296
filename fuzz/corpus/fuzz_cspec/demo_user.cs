element * CHECKEDOUT
element * .../bob_dev/LATEST
element * /main/LATEST -mkbranch bob_dev
