zem
identity ZEM.Stream stream:dev@/pvob -3
element * /main/0 -zem -nocheckout
end zem
load /
