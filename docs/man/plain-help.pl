#!/usr/bin/perl
# plain-help.pl <program> [arguments]: runs the program and prints what it
# prints, with CLI11's option lines in the words of a manual, for help2man:
#
#   --tcp TEXT:HOST[:PORT] Excludes: --com       --tcp HOST[:PORT] (not with --com)
#   --com INT:INT in [1 - 32]                    --com N
#   --baud INT:{9600,19200}=115200 Needs: --com  --baud {9600,19200} (default 115200) (needs --com)
#   --log-mask TEXT=0xA70007                     --log-mask TEXT (default 0xA70007)
#
# Only the option's own part of a line changes (up to the gap before its
# description); descriptions and every other line pass as they are. The
# program's exit status is this script's.
use strict;
use warnings;

my $types = qr/TEXT|INT|UINT|FLOAT|NUMBER|BOOLEAN|ENUM/;

sub plain {
  my ($option) = @_;
  $option =~ s/\b$types:(?=\S)//g;                          # a type before its validator's words
  $option =~ s/\b$types in \[[^\]]*\]/N/g;                  # a range: the description says it
  $option =~ s/\b(?:INT|UINT|FLOAT|NUMBER)\b/N/g;           # a bare number
  $option =~ s/(\bTEXT|\bN|[\]}])=(\S+)/$1 (default $2)/g;  # a default after a type or a set
  $option =~ s/\bNeeds: ((?:--?[\w-]+ ?)+)/"(needs " . join(", ", split ' ', $1) . ") "/ge;
  $option =~ s/\bExcludes: ((?:--?[\w-]+ ?)+)/"(not with " . join(", ", split ' ', $1) . ") "/ge;
  $option =~ s/ +$//;
  return $option;
}

open(my $out, '-|', @ARGV) or die "plain-help: cannot run $ARGV[0]: $!\n";
while (my $line = <$out>) {
  # "  -h,--help  text" or "  --tcp SPEC" or "  --baud SPEC    text"
  if ($line =~ /^(\s+(?:-\w,)?--?[\w-]+(?:,--?[\w-]+)*)( \S.*?)?((?: {2,}\S.*)?\n)$/) {
    my ($names, $option, $rest) = ($1, $2 // '', $3);
    $line = $names . ($option eq '' ? '' : ' ' . plain(substr($option, 1))) . $rest;
  }
  print $line;
}
close($out);
exit($? >> 8);
