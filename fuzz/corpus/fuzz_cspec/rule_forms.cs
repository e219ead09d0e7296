element -directory /v/dir/* /main/dev/LATEST   # a comment
element -file "/v/my dir/a#b.c" /main/dev/12
element /v/exact/path CHECKEDOUT
element * /main/LATEST -mkbranch fix -nocheckout -zem
element -file Makefile -error -zem
load /v//deep/x/
