/* The whitening of non-black pixels as one libvips pipeline, for bench/batch.sh:
 *   vips_whitening IN OUT
 * a pixel stays when all its bands are 0 and becomes white otherwise. */
#include <vips/vips.h>

int main(int argc, char **argv) {
  if (VIPS_INIT(argv[0]) || argc != 3) return 2;
  VipsImage *in = vips_image_new_from_file(argv[1], "access", VIPS_ACCESS_SEQUENTIAL, NULL);
  VipsImage *zero, *black, *keep, *out;
  if (!in || vips_relational_const1(in, &zero, VIPS_OPERATION_RELATIONAL_EQUAL, 0.0, NULL) ||
      vips_bandbool(zero, &black, VIPS_OPERATION_BOOLEAN_AND, NULL) || vips_invert(black, &keep, NULL) ||
      vips_boolean(in, keep, &out, VIPS_OPERATION_BOOLEAN_OR, NULL) ||
      vips_image_write_to_file(out, argv[2], NULL))
    vips_error_exit(NULL);
  return 0;
}
