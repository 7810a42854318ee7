#pragma once
// Sales files of the register: the conversion behind the sales exports.

// Converts one sales file into "VEND_REP_<ddmmyy>.CSV" and
// "VEND_PLU_<ddmmyy>.CSV" in `dirname` and deletes it; 0 or -1.
int ecr_conv_venduto(const char* pathname, const char* dirname);

// Deletes every "VEND_???_??????.CSV" file of `dirname`.
void delete_sales_csv(const char* dirname);
